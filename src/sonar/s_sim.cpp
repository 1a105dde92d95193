// The co-processor stand-in keeps the rig's configuration, the command it was
// last sent and the count of exchanges; the echo model is a pure function of
// the configuration, the command, the time of the send and a block number,
// so the same run gives the same blocks.

#include "s_sim.h"

#include <errno.h>
#include <math.h>
#include <stddef.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>

#include <mutex>

#include "dd_devpath.h"
#include "linuxsvc.h"

// ---------------------------------------------------------------------------
// State

struct SIM_FILE_STAMP {
  BOOLEAN bExists;
  struct timespec tsModified;
  off_t size;
  ino_t inode;
};

struct SIM_DEVICE {
  BOOLEAN bPending;      // a command was accepted and not yet answered
  MULTI_TX tx;           // that command
  TICKS tSent;           // service-layer ms of its send
  U64 qwSentUs;          // and in microseconds, for the echo time
  U32 u32Exchanges;
  U32 u32Blocks;         // blocks made, the noise generator's second seed
};

static std::mutex s_lock;  // the configuration, the stamp and the device
static S_SIM_CONFIG s_config;
static BOOLEAN s_bLoaded;
static SIM_FILE_STAMP s_stamp;
static U64 s_qwLastLookMs;
static TICKS s_tStart;
static SIM_DEVICE s_device;

// The model's scratch: one block and one echo envelope at a time.
static std::mutex s_modelLock;
static U8 s_au8Block[S_COPROC_BLOCK_BYTES];
static U8 s_au8Envelope[S_COPROC_MAX_ECHO_SAMPLES];

constexpr U64 SIM_LOOK_EVERY_MS = 500;
constexpr U32 SIM_LINE_BYTES = 256;

// ---------------------------------------------------------------------------
// Configuration

void S_SIM_vDefaults(S_SIM_CONFIG* pCfg) {
  *pCfg = S_SIM_CONFIG{1, 1, 12.0f, 3.0f, 60.0f, 220, 8, 6, 2, 1, 1, 1, 0, 2096, 2272, 4095};
}

struct SIM_KEY {
  const char* pcName;
  BOOLEAN bFloat;
  double dMin;
  double dMax;
  size_t offset;
};

static const SIM_KEY s_aKeys[] = {
    {"coproc", FALSE, 0, 1, offsetof(S_SIM_CONFIG, u32Coproc)},
    {"present", FALSE, 0, 1, offsetof(S_SIM_CONFIG, u32Present)},
    {"depth_m", TRUE, 0, 1000, offsetof(S_SIM_CONFIG, fDepthM)},
    {"depth_swing_m", TRUE, 0, 1000, offsetof(S_SIM_CONFIG, fDepthSwingM)},
    {"depth_period_s", TRUE, 1, 1e6, offsetof(S_SIM_CONFIG, fDepthPeriodS)},
    {"bottom_level", FALSE, 0, 255, offsetof(S_SIM_CONFIG, u32BottomLevel)},
    {"noise", FALSE, 0, 255, offsetof(S_SIM_CONFIG, u32Noise)},
    {"noise_swing", FALSE, 0, 255, offsetof(S_SIM_CONFIG, u32NoiseSwing)},
    {"fish", FALSE, 0, 50, offsetof(S_SIM_CONFIG, u32Fish)},
    {"second_echo", FALSE, 0, 1, offsetof(S_SIM_CONFIG, u32SecondEcho)},
    {"seed", FALSE, 0, 4294967295.0, offsetof(S_SIM_CONFIG, u32Seed)},
    {"realtime", FALSE, 0, 1, offsetof(S_SIM_CONFIG, u32Realtime)},
    {"fail_after", FALSE, 0, 4294967295.0, offsetof(S_SIM_CONFIG, u32FailAfter)},
    {"adc_supply", FALSE, 0, 4095, offsetof(S_SIM_CONFIG, u32AdcSupply)},
    {"adc_xdcr", FALSE, 0, 4095, offsetof(S_SIM_CONFIG, u32AdcXdcr)},
    {"adc_aux", FALSE, 0, 4095, offsetof(S_SIM_CONFIG, u32AdcAux)},
};

static char* SIM_pcTrim(char* text) {
  while (*text == ' ' || *text == '\t') text++;
  char* end = text + strlen(text);
  while (end > text && (end[-1] == ' ' || end[-1] == '\t' || end[-1] == '\r' || end[-1] == '\n')) end--;
  *end = '\0';
  return text;
}

BOOLEAN S_SIM_bParseLine(const char* pcLine, S_SIM_CONFIG* pCfg) {
  char line[SIM_LINE_BYTES];
  snprintf(line, sizeof line, "%s", pcLine);
  char* comment = strchr(line, '#');
  if (comment != nullptr) *comment = '\0';
  char* text = SIM_pcTrim(line);
  if (*text == '\0') return TRUE;
  char* equals = strchr(text, '=');
  if (equals == nullptr) return FALSE;
  *equals = '\0';
  const char* key = SIM_pcTrim(text);
  const char* value = SIM_pcTrim(equals + 1);
  for (const SIM_KEY& k : s_aKeys) {
    if (strcmp(k.pcName, key) != 0) continue;
    char* end = nullptr;
    double number = strtod(value, &end);
    if (end == value || *end != '\0' || !isfinite(number) || number < k.dMin || number > k.dMax) return FALSE;
    if (!k.bFloat && number != floor(number)) return FALSE;
    U8* field = (U8*)pCfg + k.offset;
    if (k.bFloat) {
      *(float*)field = (float)number;
    } else {
      *(U32*)field = (U32)number;
    }
    return TRUE;
  }
  return FALSE;
}

static void SIM_vLogConfig(const S_SIM_CONFIG* c, const char* pcSource) {
  log_me("[%d]%s: sonar.cfg (%s): coproc %u present %u depth %.2f m swing %.2f m period %.0f s bottom %u "
         "noise %u+-%u fish %u second echo %u seed %u realtime %u fail after %u adc %u %u %u",
         __LINE__, __func__, pcSource, c->u32Coproc, c->u32Present, c->fDepthM, c->fDepthSwingM, c->fDepthPeriodS,
         c->u32BottomLevel, c->u32Noise, c->u32NoiseSwing, c->u32Fish, c->u32SecondEcho, c->u32Seed,
         c->u32Realtime, c->u32FailAfter, c->u32AdcSupply, c->u32AdcXdcr, c->u32AdcAux);
}

// Defaults, then every good line of the file; a bad line is logged and the
// rest still applies.
static void SIM_vReadFile(FILE* file, S_SIM_CONFIG* pCfg) {
  char line[SIM_LINE_BYTES];
  U32 number = 0;
  while (fgets(line, sizeof line, file) != nullptr) {
    number++;
    size_t length = strlen(line);
    BOOLEAN bWhole = length > 0 && line[length - 1] == '\n';
    if (!bWhole && !feof(file)) {
      int c;
      while ((c = fgetc(file)) != EOF && c != '\n') {
      }
      log_me("[%d]%s: sonar.cfg: ignored line %u: longer than %u bytes", __LINE__, __func__, number,
             SIM_LINE_BYTES - 2);
      continue;
    }
    if (!S_SIM_bParseLine(line, pCfg)) {
      log_me("[%d]%s: sonar.cfg: ignored line %u: %.80s", __LINE__, __func__, number, SIM_pcTrim(line));
    }
  }
}

static SIM_FILE_STAMP SIM_Stamp(void) {
  SIM_FILE_STAMP stamp = {};
  char path[512];
  struct stat st;
  if (DD_DEVPATH_pcResolve(S_SIM_CONFIG_PATH, path, sizeof path) != nullptr && stat(path, &st) == 0) {
    stamp.bExists = TRUE;
    stamp.tsModified = st.st_mtim;
    stamp.size = st.st_size;
    stamp.inode = st.st_ino;
  }
  return stamp;
}

static BOOLEAN SIM_bSameStamp(const SIM_FILE_STAMP* a, const SIM_FILE_STAMP* b) {
  if (a->bExists != b->bExists) return FALSE;
  if (!a->bExists) return TRUE;
  return a->tsModified.tv_sec == b->tsModified.tv_sec && a->tsModified.tv_nsec == b->tsModified.tv_nsec &&
         a->size == b->size && a->inode == b->inode;
}

// Caller holds s_lock.
static void SIM_vLoadLocked(void) {
  s_stamp = SIM_Stamp();
  S_SIM_CONFIG config;
  S_SIM_vDefaults(&config);
  FILE* file = DD_DEVPATH_pfOpen(S_SIM_CONFIG_PATH, "r");
  if (file != nullptr) {
    SIM_vReadFile(file, &config);
    fclose(file);
  }
  s_config = config;
  s_qwLastLookMs = L_CLOCK_qwGetTimeInMillis();
  SIM_vLogConfig(&config, file != nullptr ? "read" : "none, defaults");
}

void S_SIM_vLoadConfig(void) {
  std::lock_guard<std::mutex> guard(s_lock);
  if (!s_bLoaded) s_tStart = (TICKS)L_CLOCK_qwGetTimeInMillis();
  s_bLoaded = TRUE;
  SIM_vLoadLocked();
}

void S_SIM_vPollConfig(void) {
  std::lock_guard<std::mutex> guard(s_lock);
  U64 now = L_CLOCK_qwGetTimeInMillis();
  if (s_bLoaded && now - s_qwLastLookMs < SIM_LOOK_EVERY_MS) return;
  if (!s_bLoaded) s_tStart = (TICKS)now;
  s_qwLastLookMs = now;
  SIM_FILE_STAMP stamp = SIM_Stamp();
  if (s_bLoaded && SIM_bSameStamp(&stamp, &s_stamp)) return;
  s_bLoaded = TRUE;
  SIM_vLoadLocked();
}

void S_SIM_vGetConfig(S_SIM_CONFIG* pCfg) {
  S_SIM_vPollConfig();
  std::lock_guard<std::mutex> guard(s_lock);
  *pCfg = s_config;
}

// ---------------------------------------------------------------------------
// The echo model

// xorshift32: small, fast, and the same on every host.
static U32 SIM_u32Next(U32* state) {
  U32 x = *state;
  x ^= x << 13;
  x ^= x >> 17;
  x ^= x << 5;
  return *state = x;
}

static U32 SIM_u32Seed(U32 seed, U32 block) {
  U32 state = seed * 2654435761u ^ (block + 1) * 0x9E3779B9u;
  return state != 0 ? state : 0x6D2B79F5u;
}

static float SIM_fDepth(const S_SIM_CONFIG* c, float fSeconds) {
  float d = c->fDepthM + c->fDepthSwingM * sinf(2.0f * (float)M_PI * fSeconds / c->fDepthPeriodS);
  return d > 0 ? d : 0;
}

float S_SIM_fDepthAt(TICKS tNow) {
  S_SIM_CONFIG config;
  S_SIM_vGetConfig(&config);
  TICKS start;
  {
    std::lock_guard<std::mutex> guard(s_lock);
    start = s_tStart;
  }
  return SIM_fDepth(&config, (float)(S32)(tNow - start) / 1000.0f);
}

// Echoes weaken with range beyond the first ten metres.
static float SIM_fAttenuation(float fMetres) { return fMetres <= 10.0f ? 1.0f : powf(10.0f / fMetres, 0.35f); }

static S32 SIM_s32Index(float fMetres) { return (S32)lroundf(fMetres / (float)S_SONAR_METRES_PER_SAMPLE); }

static void SIM_vRaise(U32 u32Samples, S32 index, float fAmplitude) {
  if (index < 0 || (U32)index >= u32Samples) return;
  U8 a = (U8)fminf(255.0f, fmaxf(0.0f, lroundf(fAmplitude)));
  if (a > s_au8Envelope[index]) s_au8Envelope[index] = a;
}

// A return that starts at its full amplitude and fades to a quarter over
// `length` samples.
static void SIM_vReturn(U32 u32Samples, S32 onset, S32 length, float fAmplitude) {
  for (S32 k = 0; k <= length; k++) SIM_vRaise(u32Samples, onset + k, fAmplitude * (1.0f - 0.75f * k / length));
}

// The echoes of one ping into s_au8Envelope[0..n-1]. The narrow 200 kHz beam
// smears the bottom less, and sees a fish for a shorter time, than the wide
// 83 kHz one; both smear more the deeper the bottom.
static void SIM_vEnvelope(const S_SIM_CONFIG* c, const S_COPROC_TX_FIELDS* f, float fSeconds, float fPower) {
  const U32 n = f->u32EchoSamples;
  memset(s_au8Envelope, 0, n);
  for (U32 j = 0; j < 40 && j < n; j++) {
    SIM_vRaise(n, (S32)j, (float)c->u32Noise + (255.0f * fPower - (float)c->u32Noise) * (40.0f - j) / 40.0f);
  }
  const BOOLEAN bNarrow = f->u16StartKHz > 120;
  const float depth = SIM_fDepth(c, fSeconds);
  const S32 onset = SIM_s32Index(depth);
  const S32 length = (S32)lroundf((bNarrow ? 16.0f : 24.0f) * (1.0f + depth / 40.0f));
  const float bottom = (float)c->u32BottomLevel * fPower * SIM_fAttenuation(depth);
  SIM_vReturn(n, onset, length, bottom);
  if (c->u32SecondEcho != 0 && onset > 0 && (U32)(2 * onset) < n) SIM_vReturn(n, 2 * onset, length, bottom / 4.0f);

  const float passage = bNarrow ? 1.5f : 3.0f;
  const float period = 8.0f;
  for (U32 k = 0; k < c->u32Fish; k++) {
    float phase = fmodf(fSeconds - k * period / c->u32Fish, period);
    if (phase < 0) phase += period;
    if (phase >= passage) continue;
    float u = phase / passage;
    float swim = depth * (0.3f + 0.4f * k / (c->u32Fish > 1 ? c->u32Fish - 1 : 1));
    float range = swim + 1.5f * (2 * u - 1) * (2 * u - 1);
    S32 at = SIM_s32Index(range);
    for (S32 s = 0; s < 3; s++) SIM_vRaise(n, at + s, 80.0f * fPower * SIM_fAttenuation(range));
  }
}

U32 S_SIM_u32FillBlock(const S_SIM_CONFIG* pCfg, const MULTI_TX* pTx, TICKS tSend, U32 u32Block,
                       BOOLEAN bForcePresent, U8* pu8Out, U32 u32Size) {
  S_COPROC_TX_FIELDS f;
  if (!S_COPROC_bDecode(pTx, &f)) return 0;
  static const float s_afPower[] = {0.0f, 0.6f, 0.8f, 1.0f};
  const float power = s_afPower[f.u8Power > TXPOWER_HIGH ? (U8)TXPOWER_HIGH : f.u8Power];
  const BOOLEAN bPresent = bForcePresent || pCfg->u32Present != 0;
  const BOOLEAN bEchoes =
      bPresent && (f.u8Flags & S_COPROC_FLAG_NO_TRANSMIT) == 0 && power > 0 && f.u16StartKHz <= 300;
  const U32 triples = S_COPROC_NOISE_SAMPLES + f.u32EchoSamples;
  const U32 length = S_COPROC_u32BlockBytes(f.u32EchoSamples);

  std::lock_guard<std::mutex> guard(s_modelLock);
  TICKS start;
  {
    std::lock_guard<std::mutex> stateGuard(s_lock);
    start = s_tStart;
  }
  if (bEchoes) {
    SIM_vEnvelope(pCfg, &f, (float)(S32)(tSend - start) / 1000.0f, power);
  } else {
    memset(s_au8Envelope, 0, f.u32EchoSamples);
  }

  U8* b = s_au8Block;
  memcpy(b, pTx->au8Bytes, S_COPROC_TX_BYTES);
  b[S_COPROC_AT_STATUS] = (U8)((bPresent ? S_COPROC_STATUS_PRESENT : 0u) | (u32Size < length ? S_COPROC_STATUS_CUT : 0u));
  b[S_COPROC_AT_CHANNEL_COUNT] = (U8)S_COPROC_CHANNELS;
  b[S_COPROC_AT_TRIPLES] = (U8)triples;
  b[S_COPROC_AT_TRIPLES + 1] = (U8)(triples >> 8);

  U32 state = SIM_u32Seed(pCfg->u32Seed, u32Block);
  const S32 low = (S32)pCfg->u32Noise - (S32)pCfg->u32NoiseSwing;
  const U32 spread = 2 * pCfg->u32NoiseSwing + 1;
  U8* sample = b + S_COPROC_HEADER_BYTES;
  for (U32 k = 0; k < triples; k++) {
    for (U32 c = 0; c < S_COPROC_CHANNELS; c++) {
      S32 v = low + (S32)(SIM_u32Next(&state) % spread);
      U8 noise = (U8)(v < 0 ? 0 : v > 255 ? 255 : v);
      if (c == f.u8Receiver && k >= S_COPROC_NOISE_SAMPLES) {
        U8 echo = s_au8Envelope[k - S_COPROC_NOISE_SAMPLES];
        if (echo > noise) noise = echo;
      }
      *sample++ = noise;
    }
  }
  U32 written = u32Size < length ? u32Size : length;
  memcpy(pu8Out, b, written);
  return written;
}

// ---------------------------------------------------------------------------
// The device

BOOLEAN S_SIM_bReady(void) {
  S_SIM_vPollConfig();
  std::lock_guard<std::mutex> guard(s_lock);
  return s_config.u32Coproc != 0;
}

S32 S_SIM_s32Send(const MULTI_TX* pTx) {
  S_SIM_vPollConfig();
  std::lock_guard<std::mutex> guard(s_lock);
  if (s_config.u32Coproc == 0) return 0;
  s_device.u32Exchanges++;
  if (s_config.u32FailAfter != 0 && s_device.u32Exchanges > s_config.u32FailAfter) {
    s_device.bPending = FALSE;
    return 0;
  }
  s_device.bPending = TRUE;
  s_device.tx = *pTx;
  s_device.qwSentUs = L_CLOCK_qwGetTimeInMicros();
  s_device.tSent = (TICKS)(s_device.qwSentUs / 1000);
  return (S32)S_COPROC_TX_BYTES;
}

// Sleeps until the service-layer clock reaches qwUntilUs; at most one
// longest echo time, so a wrong clock cannot hang the caller.
static void SIM_vSleepUntil(U64 qwUntilUs) {
  const U64 longest = (U64)(S_COPROC_NOISE_SAMPLES + S_COPROC_MAX_ECHO_SAMPLES) * S_COPROC_SAMPLE_PERIOD_US;
  U64 now = L_CLOCK_qwGetTimeInMicros();
  if (qwUntilUs <= now) return;
  U64 wait = qwUntilUs - now;
  if (wait > longest) wait = longest;
  struct timespec left = {(time_t)(wait / 1000000), (long)(wait % 1000000) * 1000};
  while (nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}

S32 S_SIM_s32Receive(U8* pu8Buffer, U32 u32Size) {
  MULTI_TX tx;
  TICKS tSent;
  U64 qwSentUs;
  U32 block;
  S_SIM_CONFIG config;
  {
    std::lock_guard<std::mutex> guard(s_lock);
    if (!s_device.bPending) return 0;
    s_device.bPending = FALSE;
    tx = s_device.tx;
    tSent = s_device.tSent;
    qwSentUs = s_device.qwSentUs;
    block = s_device.u32Blocks++;
    config = s_config;
  }
  S_COPROC_TX_FIELDS f;
  if (!S_COPROC_bDecode(&tx, &f)) return 0;
  if (config.u32Realtime != 0) {
    SIM_vSleepUntil(qwSentUs + (U64)(S_COPROC_NOISE_SAMPLES + f.u32EchoSamples) * S_COPROC_SAMPLE_PERIOD_US);
  }
  return (S32)S_SIM_u32FillBlock(&config, &tx, tSent, block, FALSE, pu8Buffer, u32Size);
}

U32 S_SIM_u32Exchanges(void) {
  std::lock_guard<std::mutex> guard(s_lock);
  return s_device.u32Exchanges;
}

void S_SIM_vReadAdc(U16 au16Raw[3]) {
  S_SIM_CONFIG config;
  S_SIM_vGetConfig(&config);
  au16Raw[0] = (U16)config.u32AdcSupply;
  au16Raw[1] = (U16)(config.u32Present != 0 ? config.u32AdcXdcr : 4095);
  au16Raw[2] = (U16)config.u32AdcAux;
}

U32 S_SIM_u32SimulatePing(const MULTI_TX* pTx, U8* pu8Out, U32 u32Size) {
  S_SIM_CONFIG config;
  S_SIM_vGetConfig(&config);
  U32 block;
  {
    std::lock_guard<std::mutex> guard(s_lock);
    block = s_device.u32Blocks++;
  }
  return S_SIM_u32FillBlock(&config, pTx, (TICKS)L_CLOCK_qwGetTimeInMillis(), block, TRUE, pu8Out, u32Size);
}
