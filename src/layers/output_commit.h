// OutputCommit: every file one output of a run writes (the dataset with its side
// files, the bins beside it with theirs, the split part files) staged together and
// put in place together, or not at all.
//
// Planning comes first and creates nothing: Dataset() names a dataset and its
// format, so that the commit knows every path it may write or remove (a format's
// side files included, also those only an earlier dataset there may have, such as a
// shapefile's .qix); Parts() names a folder of split part files. Paths() lists them
// for the checks made before anything is written. Target() says what is at a path.
//
// A symbolic link at a planned path stays: the file it names is replaced.
//
// Writing: StagedPath() is where a planned file is written; the first call makes
// a hidden staging folder (".quillon-XXXXXXXX") beside the first dataset. A dataset
// whose target is a named pipe or a device is written where it is, as a stream.
//
// Commit() checks that every dataset planned was written (its own file staged,
// with contents but for delimited text), then moves each earlier file at a planned path into the staging folder (side
// files the new dataset did not write too), then the new files into place; when a
// move fails, every move made is undone in reverse order and the earlier files are
// where they were. Then, as after Discard() or destruction, the staging folder is
// removed with all it holds. Nothing is removed before the new files are in place.
#pragma once
#include <string>
#include <utility>
#include <vector>

#include "layers/map_format.h"
#include "reader/path_check.h"

namespace quillon {

class OutputCommit {
 public:
  OutputCommit() = default;
  ~OutputCommit() { Discard(); }
  OutputCommit(const OutputCommit&) = delete;
  OutputCommit& operator=(const OutputCommit&) = delete;

  // A dataset at `path` in `format` (a database is no file: nothing is planned).
  void Dataset(const std::string& path, OutputFormat format);
  // The part files of an output split into `folder` (made when missing): those
  // written replace `earlier`, the part files there now; earlier parts beyond the
  // new ones go too. Other files of the folder stay.
  void Parts(const std::string& folder, std::vector<std::string> earlier);

  struct PlannedPath {
    std::string Path;
    std::string Dataset;  // the dataset's main file this path belongs to
    bool Main = false;    // the dataset's own file, not a side file
    OutputFormat Format = OutputFormat::Delimited;
  };
  // Every path the commit may write or remove (the earlier part files included), in
  // planning order.
  std::vector<PlannedPath> Paths() const;

  // Where to write a planned file: a path in the staging folder, or the target
  // itself for a stream written into a named pipe or a device. False, with the
  // message to show, when the staging folder cannot be made.
  bool StagedPath(const std::string& path, std::string& staged, std::string& error);
  // The staged copy of an earlier dataset with its side files, to add to it (a
  // GeoPackage taking one more layer); false with the message when it cannot be
  // copied.
  bool StartFromEarlier(const std::string& path, std::string& error);

  // Moves the staged files into place; false with the message when a move failed
  // (every earlier file is back where it was).
  bool Commit(std::string& error);
  void Discard();

  // A text with the staging folder's paths shown as the paths they stand for (for
  // the messages of a library that only knew the staged files).
  std::string Unstaged(std::string text) const;

 private:
  struct Member {
    std::string Final;
    std::string Dataset;
    bool Main = false;
    OutputFormat Format = OutputFormat::Delimited;
    bool Stream = false;  // written where it is: nothing to stage or commit
  };
  bool MakeFolder(std::string& error);
  std::string StagedName(const Member& member) const;
  bool Move(const std::string& from, const std::string& to, std::string& error);
  void Undo();

  std::vector<Member> Members;
  std::vector<std::string> PartFolders;
  std::vector<std::vector<std::string>> EarlierParts;
  std::string Folder;  // the staging folder, empty until made
  std::string Replaced;  // where earlier files wait until the commit is done
  int ReplacedCount = 0;
  std::vector<std::pair<std::string, std::string>> Done;  // moves made, from and to
  std::vector<std::string> FoldersMade;
};

// What is at an output path, for the checks before a run: empty when a file of
// `format` may be written there (nothing, or a regular file; for the formats written
// as one stream, also a named pipe, a device or /dev/stdout), else the message to
// refuse it with. A Shapefile, MapInfo or FlatGeobuf target must end in the format's
// extension (GDAL would write a folder of layers instead). `main`: the dataset's own
// file, not one of its side files.
std::string OutputTargetProblem(const std::string& path, OutputFormat format, bool main);

// Whether a path names a named pipe, a device, a socket or one of the program's own
// open files (/dev/stdout): written into where it is, never replaced.
bool IsStreamTarget(const std::string& path);

// The number of the program's open file a name stands for (/dev/stdout 1,
// /dev/fd/3 3, through links too), or -1: such a target is written through that
// file, at its offset and in its append mode, never reopened or emptied.
int OpenFileNumber(const std::string& path);

// Whether a format is written as one stream, front to back (delimited text, GeoJSON,
// KML), so that a pipe or a device can take it.
bool IsStreamFormat(OutputFormat format);

}  // namespace quillon
