#include "memo_under_test.h"
#include "shell/formtest.h"

namespace vpo::bench {
namespace {
class TFTestMemo : public MemoUnderTest {
 public:
  LineSink& Sink() override { return form_; }
  QPlainTextEdit* Memo() override { return form_.Memo2(); }
  QWidget* Window() override { return &form_; }

 private:
  shell::TFTest form_;
};
}  // namespace

std::vector<MemoKind> MemosUnderTest() {
  return {{"TFTest", [] { return std::unique_ptr<MemoUnderTest>(std::make_unique<TFTestMemo>()); }},
          {"QPlainTextEdit, appendPlainText per line", MakePlainMemo},
          {"QPlainTextEdit, one insertion per press", MakeBatchMemo}};
}

}  // namespace vpo::bench
