// A tool reaching into the program's entry.
#include "app/Kestrovane.h"
#include "core/base/text.h"
