#include "devserver/command_line.h"

#include "core/base/errors.h"
#include "core/base/text.h"

namespace kv::devserver {

const char* const kUsage =
    "usage: kestrovane-devserver [options]\n"
    "  --host HOST             address to listen on (127.0.0.1)\n"
    "  --chat-port N           chat server port (8000; 0 picks a free one)\n"
    "  --data FILE             account file (the demo accounts)\n"
    "  --ping-interval S       seconds between pings (20; 0 = never)\n"
    "  --active-interval S     seconds between active: announcements (0 = never)\n"
    "  --phone-delay-ms N      before a simulated phone answers (1500)\n"
    "  --http-port N           web server port: update list, pages, sounds (8080; 0 picks;\n"
    "                          when left out and --chat-port is 0, a free one as well)\n"
    "  --update-version V      version the update list names (the client's: nothing newer)\n"
    "  --clock-offset S        run the service clock S seconds ahead of this machine's (0);\n"
    "                          reserved sends go to the partners' phones when it reaches\n"
    "                          their time. GET /devserver/clock?advance=S on the web side\n"
    "                          moves it S seconds further and answers with the service time\n"
    "  --verbose               log every line\n"
    "fault options:\n"
    "  --no-ping               never send ping\n"
    "  --refuse-login          answer every sign-in with R:n\n"
    "  --silent-login          never answer a sign-in\n"
    "  --close-mid-line        answer the group request with half a line, then close\n"
    "  --overlong-line         send the group list as a line beyond the client's limit\n"
    "  --delay-ms N            wait N ms before every answer\n"
    "  --update-status N       answer the update list with HTTP status N\n"
    "  --update-stall          accept the update list request and never answer it\n"
    "accounts: changes to groups and partners are kept per account until the server ends, so\n"
    "  signing out and in again lists what the server kept.\n"
    "registration test numbers (add-partner dialog, any prefix 010..019, then 7 or 8 digits):\n"
    "  xxx-0505-xxxx  asks for a confirmation with a virtual number (P:10)\n"
    "  xxx-0013-xxxx  asks for a confirmation without one (P:13); xxx-0014-xxxx likewise (P:14)\n"
    "  xxx-0011-xxxx  number barred (P:11)    xxx-0012-xxxx  too many registrations (P:12)\n"
    "  xxx-0099-xxxx  fails with code 99      any other mobile number registers at once (P:0)\n";

namespace {

int number(const std::string& option, const std::string& value, int min) {
    int n = 0;
    try {
        n = strToInt(value);
    } catch (const ConvertError&) {
        throw UsageError(option + " needs a number, not '" + value + "'");
    }
    if (n < min)
        throw UsageError(option + " must be at least " + std::to_string(min));
    return n;
}

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string>& args) {
    CommandLine cl;
    ServerOptions& o = cl.server;
    bool noPing = false;  // wins over --ping-interval wherever it stands
    bool httpPortGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string option = args[i];
        std::string value;
        bool hasValue = false;
        if (const std::size_t eq = option.find('=');
            option.starts_with("--") && eq != std::string::npos) {
            value = option.substr(eq + 1);
            option.resize(eq);
            hasValue = true;
        }
        const auto takeValue = [&]() -> const std::string& {
            if (!hasValue) {
                if (i + 1 >= args.size())
                    throw UsageError(option + " needs a value");
                value = args[++i];
                hasValue = true;
            }
            return value;
        };
        const auto flag = [&](bool& target) {
            if (hasValue)
                throw UsageError(option + " takes no value");
            target = true;
        };
        if (option == "--help" || option == "-h") {
            flag(cl.help);
        } else if (option == "--host") {
            o.host = takeValue();
            if (o.host.empty())
                throw UsageError("--host needs a value");
        } else if (option == "--chat-port") {
            o.chatPort = number(option, takeValue(), 0);
            if (o.chatPort > 65535)
                throw UsageError("--chat-port must be at most 65535");
        } else if (option == "--http-port") {
            cl.httpPort = number(option, takeValue(), 0);
            httpPortGiven = true;
            if (cl.httpPort > 65535)
                throw UsageError("--http-port must be at most 65535");
        } else if (option == "--update-version") {
            cl.web.updateVersion = takeValue();
            // The list is read line by line and field by field: the value must stay one field.
            if (cl.web.updateVersion.empty() ||
                cl.web.updateVersion.find_first_of(",\r\n") != std::string::npos)
                throw UsageError("--update-version needs a value without ',' or a line break");
        } else if (option == "--update-status") {
            cl.web.updateStatus = number(option, takeValue(), 200);
            if (cl.web.updateStatus > 599)
                throw UsageError("--update-status must be a final HTTP status (200 to 599)");
        } else if (option == "--update-stall") {
            flag(cl.web.updateStall);
        } else if (option == "--silent-login") {
            flag(o.silentLogin);
        } else if (option == "--data") {
            cl.dataFile = takeValue();
        } else if (option == "--ping-interval") {
            o.pingInterval = std::chrono::seconds(number(option, takeValue(), 0));
        } else if (option == "--active-interval") {
            o.activeInterval = std::chrono::seconds(number(option, takeValue(), 0));
        } else if (option == "--phone-delay-ms") {
            o.phoneDelay = std::chrono::milliseconds(number(option, takeValue(), 0));
        } else if (option == "--delay-ms") {
            o.answerDelay = std::chrono::milliseconds(number(option, takeValue(), 0));
        } else if (option == "--clock-offset") {
            cl.clockOffset = number(option, takeValue(), 0);
        } else if (option == "--verbose") {
            flag(o.verbose);
        } else if (option == "--no-ping") {
            flag(noPing);
        } else if (option == "--refuse-login") {
            flag(o.refuseLogin);
        } else if (option == "--close-mid-line") {
            flag(o.closeMidLine);
        } else if (option == "--overlong-line") {
            flag(o.overlongLine);
        } else {
            throw UsageError("unknown option '" + args[i] + "'");
        }
    }
    if (noPing)
        o.pingInterval = std::chrono::milliseconds(0);
    // A caller that lets the chat port be picked (a test) must not collide on the fixed one.
    if (!httpPortGiven && o.chatPort == 0)
        cl.httpPort = 0;
    return cl;
}

}  // namespace kv::devserver
