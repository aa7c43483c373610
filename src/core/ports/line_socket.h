#pragma once

// Port: one TCP connection to the chat server that carries CR LF terminated lines.
// Each connection is its own object, so a receive thread holding one can never read the
// bytes of a later connection.

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kv {

class LineSocket {
public:
    // Read time-out meaning "until data, close or interrupt".
    static constexpr std::chrono::milliseconds kNoTimeout{-1};

    virtual ~LineSocket() = default;

    // Blocking connect. `pump` (may be empty) runs about every 100 ms while it waits, so the
    // caller's windows stay responsive. Throws NetError on failure or when close() or
    // interrupt() is called meanwhile.
    virtual void connect(const std::string& host, int port, const std::function<void()>& pump) = 0;

    virtual bool connected() const = 0;

    // One line without its CR LF, or nothing when `timeout` passed or interrupt() was called
    // first; a partial line stays buffered for the next read. Throws NetError when the peer
    // closed, on a network error, and for a line longer than the limit.
    virtual std::optional<std::string> readLine(std::chrono::milliseconds timeout) = 0;

    // Writes the line and CR LF as one unit: lines written by different threads never
    // interleave. Throws NetError on failure; never raises SIGPIPE.
    virtual void writeLine(std::string_view line) = 0;

    // Ends the connection and wakes a reader blocked in readLine(). Harmless when closed.
    // Safe to call from any thread while another reads.
    virtual void close() = 0;

    // Makes a blocked or later readLine() return nothing at once. Safe from any thread.
    virtual void interrupt() = 0;
};

using LineSocketFactory = std::function<std::shared_ptr<LineSocket>()>;

}  // namespace kv
