// The tone task keeps the one burst that is playing and walks it pulse by
// pulse on a single timer: a pulse sounds until TONE1, its silence lasts
// until TONE2. A requested tone always replaces what plays; clicks and fish
// tones never interrupt a burst.

#include "t_tone.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>

#include "error.h"
#include "h_database.h"
#include "h_dbtable.h"
#include "h_memory.h"
#include "h_tone.h"
#include "linuxsvc.h"
#include "u_menu.h"
#include "ui_texts.h"

// ---------------------------------------------------------------------------
// The standard bursts, by TONE_SEQUENCE (High / Normal / Low Hz, ms)

static const TONE_BURST toneTestBurst = {
    3, 2, {{{2575, 1575, 875}, 100, 0}, {{1650, 650, 250}, 200, 100}, {{3500, 2500, 1500}, 100, 0}}, 1000};
static const TONE_BURST toneStartBurst = {1, 1, {{{1500, 1000, 500}, 50, 0}}, 0};
static const TONE_BURST toneKeyClickGood = {1, 1, {{{1390, 1010, 800}, 70, 0}}, 0};
static const TONE_BURST toneKeyClickBad = {2, 1, {{{1390, 1010, 830}, 70, 0}, {{1330, 990, 800}, 110, 0}}, 10};
static const TONE_BURST toneLargeFish = {1, 4, {{{4200, 2090, 1390}, 40, 20}}, 0};
static const TONE_BURST toneSmallFish = {1, 2, {{{3670, 1390, 810}, 40, 20}}, 0};
static const TONE_BURST toneGeneralAlert = {1, 3, {{{4140, 2070, 1380}, 150, 50}}, 0};
static const TONE_BURST toneAlarmAlert = {1, 1, {{{4140, 2070, 1380}, 150, 50}}, 0};

static const TONE_BURST* const s_apStandardTones[NUM_STANDARD_TONES] = {
    nullptr,          &toneTestBurst,  &toneStartBurst, &toneKeyClickGood, &toneKeyClickBad,
    &toneLargeFish,   &toneSmallFish,  &toneSmallFish,  &toneGeneralAlert, &toneAlarmAlert,
};

// ---------------------------------------------------------------------------
// State (the tone task's own)

static TONE_PITCH s_eTonePitch = PITCH_NORMAL;
static TONE_MODE s_eToneMode = TONE_MODE_ALL;
static BOOLEAN s_bKeyclickOn = TRUE;
static TIMER_INFO* s_pclkTimer1 = nullptr;
static const TONE_BURST* s_pCurrentBurst = nullptr;
static U32 s_u32PulseSequence = 0;
static U32 s_u32BurstSequence = 0;
// When the edge now timed is due, in monotonic microseconds: every edge is
// timed from the burst's start, so a late wake-up delays one edge, not all
// that follow.
static U64 s_u64EdgeDueUs = 0;

static std::atomic<void (*)(float)> s_pfnSinkStart{nullptr};
static std::atomic<void (*)(void)> s_pfnSinkStop{nullptr};

static const U32 s_au32PitchValues[] = {PITCH_HIGH, PITCH_NORMAL, PITCH_LOW};
static const MENU_TEXT s_apPitchChoices[] = {Tone_High, Tone_Medium, Tone_Low};
static const U32 s_au32ModeValues[] = {TONE_MODE_SILENT, TONE_MODE_ALARMS_ONLY, TONE_MODE_ALL};
static const MENU_TEXT s_apModeChoices[] = {No_Sounds, Alarms_Only, All_Sounds};

constexpr MENU_PRIORITY MENU_ALARM_TONE = 520;
constexpr MENU_PRIORITY MENU_SOUND_CONTROL = 187;

void T_TONE_vSetSink(void (*pfnStart)(float fFrequency), void (*pfnStop)(void)) {
  s_pfnSinkStart = pfnStart;
  s_pfnSinkStop = pfnStop;
}

static void TONE_vSound(float fFrequency) {
  void (*pfn)(float) = s_pfnSinkStart;
  if (pfn != nullptr) {
    pfn(fFrequency);
  } else {
    H_TONE_vStartTone(fFrequency);
  }
}

static void TONE_vSilence(void) {
  void (*pfn)(void) = s_pfnSinkStop;
  if (pfn != nullptr) {
    pfn();
  } else {
    H_TONE_vStopTone();
  }
}

// A burst as it is played: at most five pulses, and at least one repetition,
// so a faulty burst can neither read past its pulses nor play for ever.
static U32 TONE_u32Pulses(const TONE_BURST* pBurst) {
  return pBurst->u32NumPulses < TONE_MAX_PULSES ? pBurst->u32NumPulses : TONE_MAX_PULSES;
}

static U32 TONE_u32Repeats(const TONE_BURST* pBurst) {
  return pBurst->s32RepeatCount < 1 ? 1u : (U32)pBurst->s32RepeatCount;
}

static const TONE_BURST* TONE_pBurst(TONE_SEQUENCE eTone, const TONE_BURST* pCustom) {
  if (eTone > TONE_USE_CUSTOM && eTone < NUM_STANDARD_TONES) return s_apStandardTones[eTone];
  return pCustom;
}

U32 T_TONE_u32CalculateToneLength(TONE_SEQUENCE tone_sequence, const TONE_BURST* ptone_burst) {
  const TONE_BURST* pBurst = TONE_pBurst(tone_sequence, ptone_burst);
  if (pBurst == nullptr) return 0;
  U64 u64Cycle = pBurst->ticksSpaceBetweenBurstDuration;
  for (U32 i = 0; i < TONE_u32Pulses(pBurst); i++) {
    u64Cycle += (U64)pBurst->tone[i].ticksToneDuration + pBurst->tone[i].ticksSpaceDuration;
  }
  const U64 u64Length = u64Cycle * TONE_u32Repeats(pBurst);
  return u64Length < 0xFFFFFFFFu ? (U32)u64Length : 0xFFFFFFFFu;
}

// ---------------------------------------------------------------------------
// Playing

static void TONE_vArm(TICKS ticks, SEMA sema) {
  s_u64EdgeDueUs += (U64)ticks * 1000;
  const U64 u64Now = L_CLOCK_qwGetTimeInMicros();
  const U64 u64WaitMs = s_u64EdgeDueUs > u64Now ? (s_u64EdgeDueUs - u64Now + 500) / 1000 : 0;
  L_SEMA_SetPending(SEMA_TIMER_TONE1);
  L_SEMA_SetPending(SEMA_TIMER_TONE2);
  L_TIMER_Start(s_pclkTimer1, u64WaitMs < 0xFFFFFFFFu ? (U32)u64WaitMs : 0xFFFFFFFFu, 0, sema);
}

static float TONE_fFrequency(const TONE_PULSE* pPulse) {
  if (s_eTonePitch == PITCH_HIGH) return pPulse->sFreq.fHigh;
  if (s_eTonePitch == PITCH_LOW) return pPulse->sFreq.fLow;
  return pPulse->sFreq.fNormal;
}

static void T_TONE_vHandleTonePulseStart(void) {
  L_TIMER_Stop(s_pclkTimer1);
  if (s_pCurrentBurst == nullptr) return;
  if (s_u32PulseSequence >= TONE_u32Pulses(s_pCurrentBurst)) {
    s_u32BurstSequence++;
    s_u32PulseSequence = 0;
    if (s_u32BurstSequence >= TONE_u32Repeats(s_pCurrentBurst)) {
      s_pCurrentBurst = nullptr;
      return;
    }
    TONE_vArm(s_pCurrentBurst->ticksSpaceBetweenBurstDuration, SEMA_TIMER_TONE2);
    return;
  }
  const TONE_PULSE* pPulse = &s_pCurrentBurst->tone[s_u32PulseSequence];
  TONE_vSound(TONE_fFrequency(pPulse));
  TONE_vArm(pPulse->ticksToneDuration, SEMA_TIMER_TONE1);
}

static void TONE_vHandleTonePulseEnd(void) {
  TONE_vSilence();
  L_TIMER_Stop(s_pclkTimer1);
  if (s_pCurrentBurst == nullptr) return;
  const TICKS space = s_u32PulseSequence < TONE_u32Pulses(s_pCurrentBurst)
                          ? s_pCurrentBurst->tone[s_u32PulseSequence].ticksSpaceDuration
                          : 0;
  TONE_vArm(space != 0 ? space : 1, SEMA_TIMER_TONE2);
  s_u32PulseSequence++;
}

// Replaces whatever plays. A pulse cut short is silenced first, so a request
// without a burst leaves the buzzer quiet rather than stuck on.
static void TONE_vStartBurst(const TONE_BURST* pBurst) {
  if (s_pCurrentBurst != nullptr) TONE_vSilence();
  s_pCurrentBurst = pBurst;
  s_u32PulseSequence = 0;
  s_u32BurstSequence = 0;
  s_u64EdgeDueUs = L_CLOCK_qwGetTimeInMicros();
  T_TONE_vHandleTonePulseStart();
}

static void TONE_vStopBurst(void) {
  L_TIMER_Stop(s_pclkTimer1);
  s_pCurrentBurst = nullptr;
  TONE_vSilence();
}

// ---------------------------------------------------------------------------
// Settings

// A mode beyond the three sounds everything, as the last one does.
static TONE_MODE TONE_eMode(U32 u32Value) { return u32Value <= TONE_MODE_ALL ? (TONE_MODE)u32Value : TONE_MODE_ALL; }

// Out-of-range pitches are written back corrected: 0 as High, anything else as Low.
static void TONE_vNewPitch(U32 u32Pitch) {
  if (u32Pitch < PITCH_HIGH || u32Pitch > PITCH_LOW) {
    H_DATABASE_bUpdateValueU32(FCID("STON"), u32Pitch == 0 ? PITCH_HIGH : PITCH_LOW, P_NORMAL);
    return;
  }
  if (u32Pitch == s_eTonePitch) return;
  s_eTonePitch = (TONE_PITCH)u32Pitch;
  if (s_eToneMode != TONE_MODE_SILENT) TONE_vStartBurst(&toneTestBurst);
}

static void TONE_vNewData(const MESSAGE_NEW_DATA* pMsg) {
  if (!pMsg->bValid) return;
  switch (pMsg->FourCharId) {
    case FCID("SICE"):
      s_eToneMode = (pMsg->dbValue.u32Val & 0xFF) != 0 ? TONE_MODE_ALARMS_ONLY : TONE_MODE_ALL;
      H_DATABASE_bUpdateValueU32(FCID("STMD"), s_eToneMode, P_NORMAL);
      L_SEMA_Signal(SEMA_NVRAM_UPDATE);
      log_me("[%d]%s: ice mode change done", __LINE__, __func__);
      break;
    case FCID("STMD"):
      s_eToneMode = TONE_eMode(pMsg->dbValue.u32Val);
      break;
    case FCID("CKCK"):
      s_bKeyclickOn = (pMsg->dbValue.u32Val & 0xFF) != 0;
      break;
    case FCID("STON"):
      TONE_vNewPitch(pMsg->dbValue.u32Val);
      break;
    default:
      break;
  }
}

static void TONE_vPlayRequest(const MSG_PLAY_TONE* pMsg) {
  if (s_eToneMode == TONE_MODE_SILENT) return;
  if (s_eToneMode == TONE_MODE_ALARMS_ONLY && !pMsg->bAlarmTone) return;
  TONE_vStartBurst(TONE_pBurst(pMsg->StandardToneID, pMsg->pCustomTone));
}

static void TONE_vDispatch(GENERIC_MESSAGE* pMsg) {
  switch (pMsg->Cmd) {
    case CMD_ID_PLAY_TONE:
      TONE_vPlayRequest((const MSG_PLAY_TONE*)pMsg);
      break;
    case CMD_ID_NEW_DATA:
      TONE_vNewData((const MESSAGE_NEW_DATA*)pMsg);
      break;
    case CMD_ID_RESET_POS:
      H_DATABASE_bUpdateValueU32(FCID("STON"), H_DBTABLE_u32Default(FCID("STON")), P_NORMAL);
      H_DATABASE_bUpdateValueU32(FCID("STMD"), H_DBTABLE_u32Default(FCID("STMD")), P_NORMAL);
      break;
    case CMD_ID_SHUTDOWN:
      TONE_vStopBurst();
      break;
    default:
      break;
  }
  H_MEMORY_vDumpMail(pMsg);
}

// ---------------------------------------------------------------------------
// The task

static void TONE_vInit(void) {
  log_me("[%d]%s: LWP ID %ld", __LINE__, __func__, (long)syscall(SYS_gettid));
  H_TONE_vInit();
  if (H_DATABASE_bUpdateEverythingU32(FCID("TTON"), (U32)M_TONE, P_NORMAL, D_MAILBOX, nullptr, DB_NEVER_STALE)) {
    ERROR_vFatal(__FILE_NAME__, __LINE__, "Somebody else registered the Tone Task Maibox");
  }
  DB_ATTRIBUTES pitchAttributes = {D_UNSIGNED32, Alarm_Tone, DB_NEVER_STALE};
  DB_DATA_TYPE value = {};
  value.u32Val = H_DBTABLE_u32Default(FCID("STON"));
  H_DATABASE_vReadOrSetDefault(FCID("STON"), &value, P_DEFAULT_SETTING, &pitchAttributes);
  s_eTonePitch = value.u32Val >= PITCH_HIGH && value.u32Val <= PITCH_LOW ? (TONE_PITCH)value.u32Val : PITCH_NORMAL;
  H_DATABASE_bRegisterForDataWithConditions(FCID("STON"), M_TONE, TRUE, FALSE, FALSE);

  DB_ATTRIBUTES modeAttributes = {D_UNSIGNED32, Tone_Mode, DB_NEVER_STALE};
  value.u32Val = H_DBTABLE_u32Default(FCID("STMD"));
  H_DATABASE_vReadOrSetDefault(FCID("STMD"), &value, P_DEFAULT_SETTING, &modeAttributes);
  s_eToneMode = TONE_eMode(value.u32Val);
  H_DATABASE_bRegisterForDataWithConditions(FCID("STMD"), M_TONE, TRUE, FALSE, FALSE);
  H_DATABASE_bRegisterForDataWithConditions(FCID("SICE"), M_TONE, TRUE, FALSE, FALSE);

  s_bKeyclickOn = TRUE;
  H_DATABASE_bUpdateEverythingBoolean(FCID("CKCK"), TRUE, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  H_DATABASE_bRegisterForDataWithConditions(FCID("CKCK"), M_TONE, TRUE, FALSE, FALSE);

  U_MENU_bRegisterMainSelectorMenu(Alarm_Tone, Alarms, MENU_ALARM_TONE, FCID("STON"), 3, s_apPitchChoices,
                                   s_au32PitchValues, M_BASIC);
  U_MENU_bRegisterMainSelectorMenu(Sound_Control, Setup, MENU_SOUND_CONTROL, FCID("STMD"), 3, s_apModeChoices,
                                   s_au32ModeValues, M_ADVANCED);

  // A restarted task keeps its timer: it is still this task's own.
  if (s_pclkTimer1 == nullptr) s_pclkTimer1 = L_TIMER_Allocate();
  if (s_pclkTimer1 == nullptr) ERROR_vFatal(__FILE_NAME__, __LINE__, "Unable to allocate a Tone Timer");
  s_pCurrentBurst = nullptr;
  s_u32PulseSequence = 0;
  s_u32BurstSequence = 0;
  if (s_eToneMode == TONE_MODE_ALL) TONE_vStartBurst(&toneStartBurst);
}

void T_TONE_vMain(void) {
  TONE_vInit();
  const SEMA events[] = {SEMA_MBOX_TONE,       SEMA_TIMER_TONE1,       SEMA_TIMER_TONE2,      SEMA_KEYCLICK_GOOD,
                         SEMA_KEYCLICK_BAD,    SEMA_FISH_ALARM_LARGE,  SEMA_FISH_ALARM_MEDIUM, SEMA_FISH_ALARM_SMALL,
                         0};
  for (;;) {
    const S32 event = L_SEMA_WaitMultiple(events);
    const BOOLEAN bIdle = s_pCurrentBurst == nullptr;
    switch (event) {
      case SEMA_MBOX_TONE:
        while (GENERIC_MESSAGE* pMsg = (GENERIC_MESSAGE*)L_MBOX_Receive(M_TONE)) TONE_vDispatch(pMsg);
        break;
      case SEMA_TIMER_TONE1:
        TONE_vHandleTonePulseEnd();
        break;
      case SEMA_TIMER_TONE2:
        T_TONE_vHandleTonePulseStart();
        break;
      case SEMA_KEYCLICK_GOOD:
      case SEMA_KEYCLICK_BAD:
        if (bIdle && s_bKeyclickOn && s_eToneMode == TONE_MODE_ALL) {
          TONE_vStartBurst(event == SEMA_KEYCLICK_GOOD ? &toneKeyClickGood : &toneKeyClickBad);
        }
        break;
      case SEMA_FISH_ALARM_LARGE:
      case SEMA_FISH_ALARM_MEDIUM:
      case SEMA_FISH_ALARM_SMALL:
        // "Alarms Only" keeps the fish quiet: they are not alarms.
        if (bIdle && s_eToneMode == TONE_MODE_ALL) {
          TONE_vStartBurst(event == SEMA_FISH_ALARM_LARGE ? &toneLargeFish : &toneSmallFish);
        }
        break;
      default:
        break;
    }
  }
}

// ---------------------------------------------------------------------------
// Client function

BOOLEAN U_TONE_bPlayTone(TONE_SEQUENCE eTone, const TONE_BURST* pCustomTone, BOOLEAN bAlarmTone) {
  U32 mbox = 0;
  BOOLEAN bValid = FALSE;
  if (!H_DATABASE_bFetchU32(FCID("TTON"), &mbox, &bValid, nullptr) || !bValid || mbox == 0) return FALSE;
  MSG_PLAY_TONE* pMsg = (MSG_PLAY_TONE*)H_MEMORY_pvCalloc(1, sizeof(MSG_PLAY_TONE));
  pMsg->header.Cmd = CMD_ID_PLAY_TONE;
  pMsg->u32Priority = 0;
  pMsg->StandardToneID = eTone;
  pMsg->pCustomTone = pCustomTone;
  pMsg->bAlarmTone = bAlarmTone;
  if (L_MBOX_Send((MBOX)mbox, pMsg, 3, 0) != 0) {
    H_MEMORY_vFree(pMsg);
    return FALSE;
  }
  return TRUE;
}
