#pragma once

// Loading the program's optional modules (shared libraries beside the program) on first use,
// so that start-up and memory do not pay for what they bring in (Qt Multimedia, Qt WebEngine).

#include <QString>

namespace kv {

// The address of `symbol` in the module `name` (a library base name such as
// "kestrovane-media"), looked for beside the program and in ../lib/kestrovane (or only in
// KESTROVANE_MODULE_DIR when that is set); null when the
// module or the symbol is missing. A loaded module stays loaded for the life of the process.
void* ResolveModuleSymbol(const QString& name, const char* symbol);

}  // namespace kv
