// The accessory protocols' costs next to a peer in the same run: AES-128 and
// SHA-1 throughput against OpenSSL (AES-NI off, as the board has none), and
// JSON against RapidJSON: the decoder's tree against RapidJSON's document of
// the same text, and one anchor message parsed and dispatched, with the heap
// it takes, against RapidJSON's document and a look-up of the same members.

#include <malloc.h>
#include <openssl/evp.h>
#include <openssl/sha.h>
#include <rapidjson/document.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "bench_timing.h"
#include "test_tasks.h"
#include "u_aes.h"
#include "u_bluetooth_vardek.h"
#include "u_json_decoder.h"
#include "u_sha1.h"

namespace {

constexpr size_t kBytes = 16 * 1024;

std::vector<U8> Data(size_t n) {
  std::vector<U8> data(n);
  for (size_t i = 0; i < n; i++) data[i] = (U8)(i * 131 + 7);
  return data;
}

void Rates(benchmark::State& state, const BENCH_PAIR& pair, double bytesPerCall, const char* peer) {
  const double total = bytesPerCall * (double)state.iterations();
  if (pair.dOurs <= 0 || pair.dPeer <= 0) return;
  state.counters["MB_per_s"] = total / pair.dOurs / 1e6;
  state.counters[std::string(peer) + "_MB_per_s"] = total / pair.dPeer / 1e6;
  state.counters[std::string("x_") + peer] = pair.dOurs / pair.dPeer;  // our time over the peer's
}

void BM_Aes128Ecb(benchmark::State& state) {
  const std::vector<U8> key = Data(16), in = Data(kBytes);
  std::vector<U8> ours(kBytes), theirs(kBytes + 16);
  U32 rk[U_AES_MAX_RK_WORDS];
  const int rounds = U_AES_nSetupEncrypt(rk, key.data(), 128);
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  EVP_EncryptInit_ex(ctx, EVP_aes_128_ecb(), nullptr, key.data(), nullptr);
  EVP_CIPHER_CTX_set_padding(ctx, 0);
  BENCH_PAIR pair;
  for (auto _ : state) {
    BENCH_dTimePair(
        state, &pair,
        [&] {
          for (size_t b = 0; b < kBytes; b += 16) U_AES_vEncrypt(rk, rounds, &in[b], &ours[b]);
        },
        [&] {
          int n = 0;
          EVP_EncryptUpdate(ctx, theirs.data(), &n, in.data(), (int)kBytes);
        });
  }
  if (memcmp(ours.data(), theirs.data(), kBytes) != 0) state.SkipWithError("the two ciphertexts differ");
  EVP_CIPHER_CTX_free(ctx);
  Rates(state, pair, kBytes, "openssl");
}
BENCHMARK(BM_Aes128Ecb)->UseManualTime();

void BM_Sha1(benchmark::State& state) {
  const std::vector<U8> in = Data(kBytes);
  SHA1_CTX context;
  U8 digest[SHA_DIGEST_LENGTH];
  BENCH_PAIR pair;
  for (auto _ : state) {
    BENCH_dTimePair(
        state, &pair,
        [&] {
          U_SHA1_vReset(&context);
          U_SHA1_vInput(&context, in.data(), kBytes);
          U_SHA1_bFinal(&context);
        },
        [&] { SHA1(in.data(), kBytes, digest); });
  }
  if (context.H[0] != ((U32)digest[0] << 24 | (U32)digest[1] << 16 | (U32)digest[2] << 8 | digest[3])) {
    state.SkipWithError("the two digests differ");
  }
  Rates(state, pair, kBytes, "openssl");
}
BENCHMARK(BM_Sha1)->UseManualTime();

int NoTransport(vardekMessage*, void*) { return 0; }
int ModeSeen(vardekAddress*, U32, vardekMsgType, vardekMethod, vardekResultCode, vardekModeType, void* pParam) {
  ++*(int*)pParam;
  return 0;
}
int DeviceSeen(vardekAddress*, U32, vardekMsgType, vardekMethod, vardekResultCode, BD_ADDR_t*, vardekPeerType, char*,
               char*, int, int, BOOLEAN, vardekDesignationType, void* pParam) {
  ++*(int*)pParam;
  return 0;
}

// Two answers the unit takes: a short result and a device description.
const char* const kMessages[] = {
    R"({"apiver":1,"id":1001,"type":"vardekMsgRsp","method":"getVardekMode","result":"vardekResultSuccess",)"
    R"("output":{"mode":"vardekModeRoughWater"}})",
    "{\n   \"apiver\" : 1,\n   \"id\" : 1002,\n   \"type\" : \"vardekMsgRsp\",\n   \"method\" : \"getDeviceInfo\",\n"
    "   \"result\" : \"vardekResultSuccess\",\n   \"output\" : {\n      \"designation\" : \"vardekDesignationLeft\",\n"
    "      \"macAddress\" : \"00:1A:7D:DA:71:13\",\n      \"peerType\" : \"vardekPeerTypeVardek\",\n"
    "      \"deviceName\" : \"Anchor left\",\n      \"version\" : 1204,\n      \"connected\" : true,\n"
    "      \"battery\" : 87,\n      \"serialNumber\" : \"A1B2C3D4\"\n   }\n}\n"};

// Heap bytes one decode of the text holds while its tree is alive.
double TreeHeapBytes(const std::string& text) {
  const size_t before = mallinfo2().uordblks;
  JSON_decoder root = new_JSON_decoder(text.data(), (int)text.size());
  const size_t during = mallinfo2().uordblks;
  JSON_decoder_done(root);
  return (double)(during - before);
}

// Messages per timed call, so that the clock's own cost does not hide a
// short message's.
constexpr int kBatch = 32;

// RapidJSON's document of the text with the members a message handler reads
// looked up: the envelope's five and every member of its output.
int RapidJsonRead(const std::string& text) {
  rapidjson::Document d;
  d.Parse(text.data(), text.size());
  if (d.HasParseError() || !d.IsObject()) return -1000;
  int n = 0;
  for (const char* key : {"apiver", "id", "type", "method", "result"}) n += d.HasMember(key);
  const auto output = d.FindMember("output");
  if (output == d.MemberEnd() || !output->value.IsObject()) return n;
  for (const auto& m : output->value.GetObject()) n += m.value.IsString() ? (int)m.value.GetStringLength() : 1;
  return n;
}

void JsonRates(benchmark::State& state, const BENCH_PAIR& pair, const std::string& text) {
  const double messages = (double)state.iterations() * kBatch;
  state.counters["bytes"] = (double)text.size();
  if (pair.dOurs <= 0 || pair.dPeer <= 0) return;
  state.counters["ns_per_msg"] = pair.dOurs / messages * 1e9;
  state.counters["rapidjson_ns"] = pair.dPeer / messages * 1e9;
  state.counters["x_rapidjson"] = pair.dOurs / pair.dPeer;  // our time over RapidJSON's
}

// The decoder's tree built and freed, against RapidJSON's document.
void BM_JsonDecode(benchmark::State& state) {
  const std::string text = kMessages[state.range(0)];
  BENCH_PAIR pair;
  int children = 0, members = 0;
  for (auto _ : state) {
    BENCH_dTimePair(
        state, &pair,
        [&] {
          for (int i = 0; i < kBatch; i++) {
            JSON_decoder root = new_JSON_decoder(text.data(), (int)text.size());
            children += JSON_util_get_child_count(root);
            JSON_decoder_done(root);
          }
        },
        [&] {
          for (int i = 0; i < kBatch; i++) {
            rapidjson::Document d;
            d.Parse(text.data(), text.size());
            members += d.IsObject() ? (int)d.MemberCount() : -1000;
          }
        });
  }
  if (children != members) state.SkipWithError("the two parsers see different objects");
  JsonRates(state, pair, text);
}
BENCHMARK(BM_JsonDecode)->Arg(0)->Arg(1)->UseManualTime();

void BM_JsonMessageParseAndDispatch(benchmark::State& state) {
  const std::string text = kMessages[state.range(0)];
  U_BLUETOOTH_VARDEK_vReset();
  U_BLUETOOTH_VARDEK_nSetVardekControlMsgCallback(NoTransport, nullptr);
  vardekAddress peer = {{1, 2, 3, 4, 5, 6}, 1};
  int seen = 0;
  // Lasting rows (ids 1001 and 1002), so that every answer finds its own.
  U_BLUETOOTH_VARDEK_nNotifyVardekMode(&peer, TRUE, ModeSeen, &seen);
  U_BLUETOOTH_VARDEK_nGetDeviceInfo(&peer, DeviceSeen, &seen);
  BENCH_PAIR pair;
  int results = 0, read = 0;
  for (auto _ : state) {
    BENCH_dTimePair(
        state, &pair,
        [&] {
          for (int i = 0; i < kBatch; i++) {
            vardekMessage msg;
            if (U_BLUETOOTH_VARDEK_nParseVardekMessage(&peer, (const U8*)text.data(), (int)text.size(), &msg) == 0) {
              results += U_BLUETOOTH_VARDEK_nExecuteVardekMessage(&msg);
            } else {
              results -= 1000;
            }
          }
        },
        [&] {
          for (int i = 0; i < kBatch; i++) read += RapidJsonRead(text);
        });
  }
  if (results < 0 || seen == 0) state.SkipWithError("the message was not taken");
  if (read < 0) state.SkipWithError("RapidJSON refused the message");
  state.counters["heap_bytes_per_msg"] = TreeHeapBytes(text);
  JsonRates(state, pair, text);
}
BENCHMARK(BM_JsonMessageParseAndDispatch)->Arg(0)->Arg(1)->UseManualTime();

}  // namespace

int main(int argc, char** argv) {
  // OpenSSL reads its processor capabilities when it loads, so the program
  // starts again with AES-NI masked unless the caller chose a mask.
  if (getenv("OPENSSL_ia32cap") == nullptr) {
    setenv("OPENSSL_ia32cap", "~0x200000200000000", 1);
    execv("/proc/self/exe", argv);
  }
  TEST_vInitServiceLayer();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
