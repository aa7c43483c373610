#pragma once

#include <stdexcept>

namespace kv {

// A received field that should be a number and is not. Raised inside line handlers; the
// receive thread treats it as a read error and ends the connection.
class ConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A failed connect, read or write on the chat server connection.
class NetError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace kv
