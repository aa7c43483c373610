#pragma once

// Loading the program's optional modules (shared libraries beside the program) on first use,
// so that start-up and memory do not pay for what they bring in (Qt Multimedia, Qt Network),
// and finding its helper programs (the web host) in the same places.

#include <QString>
#include <QStringList>

namespace kv {

// Where modules and helper programs are looked for, in order: beside the program and in
// ../lib/kestrovane, or only in KESTROVANE_MODULE_DIR when that is set.
QStringList ModuleFolders();

// The address of `symbol` in the module `name` (a library base name such as
// "kestrovane-media"); null when the module or the symbol is missing. A loaded module stays
// loaded for the life of the process.
void* ResolveModuleSymbol(const QString& name, const char* symbol);

// The full path of the helper program `name` (an executable file), or empty when none of the
// folders holds one.
QString FindHelperProgram(const QString& name);

}  // namespace kv
