#pragma once

// The balance shown in the first panel of the main window's status bar, from the server's
// "RV:" line. Plain logic: the panel gets its text (CP949) through a sink. Runs on the
// user-interface thread.

#include <functional>
#include <string>

#include "core/connection/vane.h"

namespace kv {

class BalanceDisplay {
public:
    using ShowText = std::function<void(const std::string& cp949Text)>;

    BalanceDisplay(TVANE& conn, ShowText show);

    // Sets the connection's CashCount and the panel text from Msg. A count that is not a
    // number raises ConvertError and leaves both as they were.
    void DoCheckMoney();

private:
    TVANE& FConn;
    ShowText FShow;
};

}  // namespace kv
