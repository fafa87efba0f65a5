#include "memo_under_test.h"

namespace vpo::bench {

std::vector<MemoKind> MemosUnderTest() { return {{"QPlainTextEdit, appendPlainText per line", MakePlainMemo},
          {"QPlainTextEdit, one insertion per press", MakeBatchMemo}}; }

}  // namespace vpo::bench
