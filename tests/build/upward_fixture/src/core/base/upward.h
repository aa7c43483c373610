// clang-format off
// A tree the include direction check must refuse: the logic reaching up into a window.
#include <string>
#include "ui/main/MainUnit.h"
#include "core/base/text.h"
