#include "indexing/make_index.h"

#include "reader/log_reader.h"

namespace quillon {

TMakeIndex::TMakeIndex(std::unique_ptr<IndexHost> host, std::function<std::string()> input, int16_t product)
    : Host(std::move(host)), Input(std::move(input)), Product(product) {}

void TMakeIndex::run() { IndexRun(Reader, *Host, Input(), Product).Execute(); }

}  // namespace quillon
