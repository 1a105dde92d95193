// Settings database costs with a full table (700 keys): fetch, update, and an
// update that notifies 1, 5 or 20 subscribers (the notices' delivery and
// freeing by the receiver included).

#include <benchmark/benchmark.h>

#include <vector>

#include "h_database.h"
#include "h_memory.h"
#include "test_tasks.h"

namespace {

constexpr int kKeys = 700;

// 700 keys over the classes in use, the table built afresh.
std::vector<FOURCHARID> FillTable() {
  H_DATABASE_vInit();
  std::vector<FOURCHARID> keys;
  const char classes[] = "SICTBQ";
  for (int i = 0; i < kKeys; i++) {
    const char text[5] = {classes[i % 6], (char)('A' + i % 26), (char)('A' + i / 26 % 26), (char)('0' + i / 676), 0};
    const FOURCHARID id = FCID(text);
    H_DATABASE_bUpdateEverythingU32(id, (U32)i, P_NORMAL, D_UNSIGNED32, nullptr, DB_NEVER_STALE);
    keys.push_back(id);
  }
  return keys;
}

void BM_Fetch(benchmark::State& state) {
  const std::vector<FOURCHARID> keys = FillTable();
  size_t i = 0;
  for (auto _ : state) {
    U32 value;
    BOOLEAN bValid;
    benchmark::DoNotOptimize(H_DATABASE_bFetchU32(keys[i], &value, &bValid, nullptr));
    benchmark::DoNotOptimize(value);
    if (++i == keys.size()) i = 0;
  }
}
BENCHMARK(BM_Fetch);

void BM_Update(benchmark::State& state) {
  const std::vector<FOURCHARID> keys = FillTable();
  size_t i = 0;
  U32 n = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(H_DATABASE_bUpdateValueU32(keys[i], n++, P_NORMAL));
    if (++i == keys.size()) i = 0;
  }
}
BENCHMARK(BM_Update);

void BM_UpdateFanOut(benchmark::State& state) {
  const std::vector<FOURCHARID> keys = FillTable();
  const int subscribers = (int)state.range(0);
  const FOURCHARID id = keys[kKeys / 2];
  for (int s = 0; s < subscribers; s++) H_DATABASE_bRegisterForDataWithConditions(id, 1 + s, FALSE, FALSE, TRUE);
  U32 n = 0;
  for (auto _ : state) {
    H_DATABASE_bUpdateValueU32(id, n++, P_NORMAL);
    if (n % 32 == 0) {
      for (int s = 0; s < subscribers; s++) {
        while (void* msg = L_MBOX_Receive(1 + s)) H_MEMORY_vDumpMail(msg);
      }
    }
  }
  for (int s = 0; s < subscribers; s++) {
    while (void* msg = L_MBOX_Receive(1 + s)) H_MEMORY_vDumpMail(msg);
    H_DATABASE_vUnregisterMailbox(id, 1 + s);
  }
  state.counters["notices_per_s"] =
      benchmark::Counter((double)state.iterations() * subscribers, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_UpdateFanOut)->Arg(1)->Arg(5)->Arg(20);

}  // namespace
