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
  std::vector<int32_t> skipped;
  for (const ScanNode& node : NodeList)
    if (node.State != kScanChecked) skipped.push_back(node.Number);
  selection.Skip(skipped);
  return selection;
}

}  // namespace quillon
