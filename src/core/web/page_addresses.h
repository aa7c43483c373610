#pragma once

// The addresses of the service's web pages under its web root. Texts are CP949; the user id
// goes into an address exactly as it is, unescaped, as the service expects.

#include <string>
#include <string_view>

namespace kv {

std::string SignUpPageURL(std::string_view webRoot);
std::string LookupPageURL(std::string_view webRoot);
std::string PaymentPageURL(std::string_view webRoot);
std::string HelpPageURL(std::string_view webRoot, std::string_view userId);
std::string RingTonePageURL(std::string_view webRoot, std::string_view userId);
// `port` is a partner's port, or "0" for the group send.
std::string EmoticonPageURL(std::string_view webRoot, std::string_view userId,
                            std::string_view port);
std::string ReservedPageURL(std::string_view webRoot, std::string_view userId);

}  // namespace kv
