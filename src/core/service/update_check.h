#pragma once

// The update check at start-up: fetch the update list, compare its newest version with the
// running one and hand over to the updater when the list names a newer one.

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/CommonUnit.h"
#include "core/ports/http_get.h"
#include "core/ports/process_launcher.h"

namespace kv {

// Switch (first argument, exact) that skips the update check.
inline constexpr std::string_view kNoUpdateSwitch = "/noau";
inline constexpr std::string_view kUpdateListPath = "/kestrovane/filelist.txt";
// The updater beside the program. Without an extension, so that the same name also starts
// "AutoUpgrade.exe" where process creation adds ".exe" by itself.
inline constexpr std::string_view kUpdaterName = "AutoUpgrade";

// The n-th comma-separated field (n from 1). A field with no "," after it is empty, so
// CommaField("1.0.2", 1) is "" while CommaField("1.0.2,", 1) is "1.0.2". When the search runs
// out of commas it starts again at the beginning: CommaField("a,b", 3) is "a". n < 1 gives "".
std::string CommaField(std::string_view text, int n);

// 1 when `listed` is newer than `current`, otherwise 0. Each version is read as up to four
// "."-separated decimal parts; they are compared from the left and only as far as needed,
// the listed part converted before the current one. A part that is reached and is not an
// integer (an empty or missing one included) throws ConvertError. A fifth or later part is
// kept with the fourth ("1.0.1.2.7" has the fourth part "2.7"), so it is an error once the
// comparison reaches the fourth part and never silently ignored.
int CompareVersion(std::string_view current, std::string_view listed);

enum class UpdateDecision { NothingNewer, HandOver };

// Decides on a downloaded update list: its first line (lines end at CR LF, LF or CR) holds the
// newest version as its first comma-terminated field. An empty list is NothingNewer; a first
// line whose version cannot be read throws ConvertError. Nothing after the first line is read.
UpdateDecision DecideUpdate(std::string_view listBody,
                            std::string_view currentVersion = kProgramVersion);

// The update server's root URL without a trailing "/": `updateRoot` unless empty, else
// `webRoot` unless empty, else `builtInWebRoot`.
std::string UpdateServerRoot(std::string_view updateRoot, std::string_view webRoot,
                             std::string_view builtInWebRoot);
// The same from KESTROVANE_UPDATE_ROOT, KESTROVANE_WEB_ROOT and the build's default web root.
std::string UpdateServerRoot();

std::string UpdateListUrl(std::string_view serverRoot);

// The updater's path in `appDir` (with or without a trailing "/"; empty: the current folder).
std::string UpdaterPath(std::string_view appDir);

// The whole check, for the main window's start-up. `args` are the program's arguments without
// the program name. Returns true when the updater was asked to start and the program must now
// end (also when starting it failed: that failure is silent). Returns false when "/noau" was
// given (no request is made), the list is empty or it names nothing newer. Throws HttpError
// for a failed download and ConvertError for an unreadable version; both are for the standard
// error box, after which start-up goes on without the automatic sign-in.
bool RunUpdateCheck(HttpGet& http, ProcessLauncher& launcher, std::string_view appDir,
                    const std::vector<std::string>& args,
                    const std::string& listUrl = UpdateListUrl(UpdateServerRoot()),
                    std::chrono::milliseconds bound = HttpGet::kDefaultBound);

}  // namespace kv
