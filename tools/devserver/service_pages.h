#pragma once

// The dev server's web side: the update file list, the service pages (small Korean HTML pages
// in UTF-8 that show what they were asked with) and the alarm sounds. Pages that hand a
// choice back to the client do it through links of the copy-data scheme below, which the
// client's embedded browser intercepts.

#include <string>
#include <string_view>
#include <vector>

#include "core/base/CommonUnit.h"
#include "devserver/account_store.h"
#include "devserver/http_message.h"

namespace kv::devserver {

struct WebOptions {
    std::string updateVersion = kProgramVersion;  // first field of the update list: nothing newer
    int updateStatus = 200;                       // another status makes the update list fail
    bool updateStall = false;                     // the update list is accepted and never answered
};

// "kestrovane-copydata:<kind>/<text as percent-encoded UTF-8>": kind 0 hands "port:text" to
// a chat window's or the group send's input, kind 1 an alarm file name to the options dialog.
inline constexpr std::string_view kCopyDataScheme = "kestrovane-copydata";
std::string copyDataLink(int kind, std::string_view utf8Text);

// The update list: "<version>," on the first line, then one line per file.
std::string updateFileList(std::string_view version);

// The texts the emoticon page offers (UTF-8; every one has a CP949 form).
const std::vector<std::string>& emoticons();

class ServicePages {
public:
    // `store` is shared with the chat server: the reserved-messages page lists what was sent,
    // and "/devserver/clock?advance=S" moves the service clock on.
    ServicePages(AccountStore& store, WebOptions options);

    // Thread-safe; called by the HTTP server for every request.
    HttpResponse handle(const HttpRequest& request) const;

private:
    AccountStore& store_;
    const WebOptions options_;
};

}  // namespace kv::devserver
