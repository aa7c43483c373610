#pragma once

// Whole-file reads and atomic replacement of small files (settings, desktop entries).

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace kv {

enum class FileRead { Read, Missing, Failed };

struct FileContents {
    FileRead result = FileRead::Missing;
    std::string bytes;  // set when Read
};

// Reads the whole file. A file larger than `maxBytes`, a directory, or any read error gives
// Failed; a file that does not exist gives Missing.
FileContents readSmallFile(const std::string& path, std::size_t maxBytes);

// Creates `dir` and its missing parents with `mode` (existing ones are left alone).
// Throws std::system_error.
void makeDirectories(const std::string& dir, mode_t mode);

// Replaces `path` with `contents`, all or nothing: the bytes go to a new file in the same
// folder, created with mode 0600 and given `mode` before any byte is written, flushed to disk
// and then renamed over `path`. Creates the folder when missing (mode 0700). On failure throws
// std::system_error, leaves `path` as it was and removes the temporary file.
//
// The temporary file's name carries the writer's process id. A writer killed before its rename
// leaves its file behind; the next write of the same path removes those of processes that no
// longer run, so they never pile up, while a write in progress in another process is left alone.
void writeFileAtomically(const std::string& path, std::string_view contents, mode_t mode);

// The temporary files of `path` left by processes that no longer run are removed. Part of every
// writeFileAtomically; returns how many went.
std::size_t removeStaleTemporaries(const std::string& path);

}  // namespace kv
