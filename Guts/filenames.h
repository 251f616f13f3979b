// What a file name stands for on disk, decided without opening or making
// anything: whether two names are one file (or would be, once the one that
// does not exist yet is made), and whether an open for writing would fail.
// The input-file run and --plan decide their refusals by these alone, so that
// they refuse the same names.
#pragma once
#include <string>

namespace fname {

// Whether `a` and `b` name one file: the same device and inode when both
// exist, under whatever spelling (another path, a symbolic or a hard link);
// when neither exists, whether both would be made at the same place (symbolic
// links followed, dangling ones too, "." and ".." taken as the kernel takes
// them). A name that exists and one that does not are two files.
bool one_file(const std::string& a, const std::string& b);

// The errno that open(name, O_WRONLY | O_CREAT [| O_EXCL, then without it on
// EEXIST]) would give, or 0 when it would open. Not opened: a FIFO would wait
// for a reader, and a file made to find out would be a file the caller did
// not ask for.
int creation_error(const std::string& name, bool exclusive_first = false);

}  // namespace fname
