#include "core/service/balance_display.h"

#include "core/base/cp949.h"
#include "core/base/text.h"

namespace kv {

namespace {

struct Texts {
    std::string before = cp949("현재 충전 건수는 ");
    std::string after = cp949("건 입니다.");
};

const Texts& texts() {
    static const Texts t;
    return t;
}

}  // namespace

BalanceDisplay::BalanceDisplay(TVANE& conn, ShowText show) : FConn(conn), FShow(std::move(show)) {}

void BalanceDisplay::DoCheckMoney() {
    const std::string_view s = trimBytes(FConn.Msg);
    const std::size_t colon = s.find(':');
    const std::size_t skip = colon == std::string_view::npos ? 0 : colon + 1;
    if (skip < s.size()) {
        const std::string_view count = s.substr(skip);
        FConn.CashCount = strToInt(count);  // throws before anything changes
        // The count is shown as it came, blanks included, not as the number read.
        if (FShow)
            FShow(texts().before + std::string(count) + texts().after);
    } else {
        FConn.CashCount = 0;
        if (FShow)
            FShow(texts().before + "0" + texts().after);
    }
}

}  // namespace kv
