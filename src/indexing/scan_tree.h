// ScanTree: the scans of the indexed file under their three roots ("Single
// Frequency" slot 19, "List Data" slot 20, "Table Data" slot 1), each with a state
// that the user toggles: 2 converted, 1 left out. Roots exist for both log layouts.
// At most 1024 scans get a node; later scans are converted.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "reader/scan_selection.h"

namespace quillon {

struct ScanNode {
  int16_t Root = 0;  // scan kind code of the root it hangs under
  int32_t Number = 0;
  std::string Label;
  uint8_t State = 2;
};

class ScanTree {
 public:
  // Root captions by scan kind code, in creation order.
  static constexpr int16_t kRootOrder[3] = {19, 20, 1};
  static const char* RootName(int16_t kindCode);

  // Empties the tree for the file about to be indexed; roots for formats 8 and 9.
  void Reset(int16_t product, const std::string& file);
  bool HasRoots() const { return Roots; }
  // Appends scan `number` under the root of kindCode; false when it gets no node.
  bool AddScanNode(int16_t kindCode, int32_t number, const std::string& label);
  // Toggles a scan node between 2 and 1; false when there is no such node.
  bool Toggle(int32_t number);
  const std::vector<ScanNode>& Nodes() const { return NodeList; }
  const ScanNode* Node(int32_t number) const;
  const std::string& File() const { return IndexedFile; }
  // The selection for a conversion of the indexed file.
  ScanSelection Selection() const;

 private:
  bool Roots = false;
  std::string IndexedFile;
  std::vector<ScanNode> NodeList;
};

}  // namespace quillon
