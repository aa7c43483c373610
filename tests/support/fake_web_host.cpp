// A stand-in for the web host, for tests of the program's side: it shows no window, but
// appends every command it reads to the file named by KV_FAKE_HOST_LOG, one line each
// ("<pid> <command> <window> <numbers...> | <texts...>"), and acts on a few addresses:
// "fake:closed" reports the window closed by the member, "fake:copy/<text>" hands <text> back
// as copy-data kind 0, "fake:garbage" writes bytes that are no message. It ends at the end of
// the channel, as the real host does when it has no window open.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/web/web_host_protocol.h"

namespace {

void send(const kv::WebHostMessage& m) {
    const std::string bytes = kv::EncodeWebHostMessage(m);
    (void)!::write(3, bytes.data(), bytes.size());
}

}  // namespace

int main() {
    const char* logPath = std::getenv("KV_FAKE_HOST_LOG");
    FILE* log = logPath ? std::fopen(logPath, "a") : nullptr;
    kv::WebHostReader reader;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(3, buffer, sizeof buffer);
        if (n <= 0)
            break;
        reader.Feed(std::string_view(buffer, static_cast<std::size_t>(n)));
        while (auto m = reader.Next()) {
            if (log) {
                std::fprintf(log, "%d %d %u", static_cast<int>(::getpid()), static_cast<int>(m->Op),
                             m->Window);
                for (auto v : m->Numbers)
                    std::fprintf(log, " %lld", static_cast<long long>(v));
                std::fprintf(log, " |");
                for (const auto& t : m->Texts)
                    std::fprintf(log, " %s", t ? t->c_str() : "(none)");
                std::fprintf(log, "\n");
                std::fflush(log);
            }
            const bool navigation =
                m->Op == kv::WebHostOp::Navigate || m->Op == kv::WebHostOp::Navigate2;
            if (!navigation || !m->Texts[0])
                continue;
            const std::string& url = *m->Texts[0];
            if (url == "fake:closed")
                send({kv::WebHostOp::Closed, m->Window, {}, {}});
            else if (url.rfind("fake:copy/", 0) == 0)
                send({kv::WebHostOp::CopyData, 0, {0}, {url.substr(10)}});
            else if (url == "fake:garbage")
                (void)!::write(3, "\xFF\xFF\xFF\xFFjunk", 8);
        }
    }
    if (log)
        std::fclose(log);
    return 0;
}
