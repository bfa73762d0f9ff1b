// transaction_store.cpp
#include "engine/construction/transaction_store.h"

namespace linkan {
namespace {

class ProjectWriter : public TransactionWriter {
 public:
  explicit ProjectWriter(const ProjectDatabase& db) : writer_(db) {}
  void Merge(const std::string& sid, double tid, const std::vector<std::int32_t>& items) override {
    writer_.Merge(sid, tid, items);
  }
  void Insert(const std::string& sid, double tid,
              const std::vector<std::int32_t>& items) override {
    writer_.Insert(sid, tid, items);
  }
  void Detach() override { writer_.Detach(); }

 private:
  AttachedWriter writer_;
};

}  // namespace

std::unique_ptr<TransactionWriter> ProjectTransactionStore::Attach() {
  return std::make_unique<ProjectWriter>(db_);
}

}  // namespace linkan
