#pragma once
// A tree the include direction check must refuse: the logic reaching up into a window.
#include <string>
#include "core/base/text.h"
#include "ui/main/MainUnit.h"
