#include "core/web/page_addresses.h"

namespace kv {

namespace {

std::string joined(std::string_view a, std::string_view b) {
    std::string out(a);
    out += b;
    return out;
}

}  // namespace

std::string SignUpPageURL(std::string_view webRoot) {
    return joined(webRoot, "/zuserform.asp");
}
std::string LookupPageURL(std::string_view webRoot) {
    return joined(webRoot, "/zuserchk.asp");
}
std::string PaymentPageURL(std::string_view webRoot) {
    return joined(webRoot, "/zaddpay.asp");
}

std::string HelpPageURL(std::string_view webRoot, std::string_view userId) {
    return joined(joined(webRoot, "/messenger/znewhelp.asp?uid="), userId);
}

std::string RingTonePageURL(std::string_view webRoot, std::string_view userId) {
    return joined(joined(webRoot, "/messenger/zoption_msg.asp?usid="), userId);
}

std::string EmoticonPageURL(std::string_view webRoot, std::string_view userId,
                            std::string_view port) {
    return joined(
        joined(joined(joined(webRoot, "/messenger/zimo_msg.asp?usid="), userId), "&port="), port);
}

std::string ReservedPageURL(std::string_view webRoot, std::string_view userId) {
    return joined(joined(webRoot, "/messenger/zpreen_msg.asp?usid="), userId);
}

}  // namespace kv
