// TMakeIndex: the indexing thread. It takes the input file name when it starts
// (the window's is read on its UI thread, after the handler that started the run),
// runs the engine's indexing pass and reports through the host it is given.
// requestInterruption() stops it between records.
#pragma once
#include <QThread>
#include <functional>
#include <memory>
#include <string>

#include "indexing/index_run.h"

namespace quillon {

class TMakeIndex : public QThread {
  Q_OBJECT
 public:
  TMakeIndex(std::unique_ptr<IndexHost> host, std::function<std::string()> input, int16_t product);

 protected:
  void run() override;

 private:
  const std::unique_ptr<IndexHost> Host;
  const std::function<std::string()> Input;
  const int16_t Product;
};

}  // namespace quillon
