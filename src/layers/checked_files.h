// Checked files: GDAL's file calls for the datasets the program writes, through a
// file system of the program's own ("/vsiquillon/<path>"), so that no failed write
// goes unseen. Some of GDAL's drivers go on after a write that failed (a full disk)
// and report nothing; here every short write and failed flush or close is kept,
// with the system's error number, for the folder of the file it concerns, and each
// file written is flushed to disk when it is closed. Files are plain stdio streams.
#pragma once
#include <string>

namespace quillon {

// The name under which GDAL reaches `path` through the checked calls (a named pipe
// or a device as a new file, which the stream formats write into).
std::string CheckedPath(const std::string& path);
// A message of GDAL's with the names it was given shown as the paths they are.
std::string WithoutCheckedPrefix(std::string message);
// The first error number of a write to a file of `folder` since the last call (0
// when none), forgotten once taken.
int TakeWriteError(const std::string& folder);

}  // namespace quillon
