// clang-format off
// A tool reaching into the program's entry.
#include "core/base/text.h"
#include "app/Kestrovane.h"
