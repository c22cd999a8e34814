#include "indexing/scan_tree.h"

#include "reader/log_reader.h"

namespace quillon {

const char* ScanTree::RootName(int16_t kindCode) {
  switch (kindCode) {
    case kScanKindSingle: return "Single Frequency";
    case kScanKindList: return "List Data";
    case kScanKindTable: return "Table Data";
    default: return "";
  }
}

void ScanTree::Reset(int16_t product, const std::string& file) {
  NodeList.clear();
  IndexedFile = file;
  Roots = product == kFormatStandard || product == kFormatFlashCard;
}

bool ScanTree::AddScanNode(int16_t kindCode, int32_t number, const std::string& label) {
  if (!Roots || *RootName(kindCode) == '\0' || number < 1 || number > kMaxScanNodes) return false;
  NodeList.push_back({kindCode, number, label, kScanChecked});
  return true;
}

const ScanNode* ScanTree::Node(int32_t number) const {
  for (const ScanNode& node : NodeList)
    if (node.Number == number) return &node;
  return nullptr;
}

bool ScanTree::Toggle(int32_t number) {
  ScanNode* node = const_cast<ScanNode*>(Node(number));
  if (!node) return false;
  node->State = node->State == kScanChecked ? kScanUnchecked : kScanChecked;
  return true;
}

ScanSelection ScanTree::Selection() const {
  ScanSelection selection;
  selection.File = IndexedFile;
  for (const ScanNode& node : NodeList) {
    if (static_cast<size_t>(node.Number) >= selection.States.size())
      selection.States.resize(static_cast<size_t>(node.Number) + 1, kScanChecked);
    selection.States[static_cast<size_t>(node.Number)] = node.State;
  }
  return selection;
}

}  // namespace quillon
