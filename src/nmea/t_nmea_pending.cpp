// The first AIS sentence: the AIS menus it brings belong to the navigation
// menus above, which register what to do once, before the tasks run (see
// l_hook.h). Without that, AIS targets are still taken and no menu appears.

#include "l_hook.h"
#include "t_nmea.h"
#include "t_nmea_internal.h"

static std::atomic<void (*)(void)> s_pfnFirstAisSentence{nullptr};

BOOLEAN T_NMEA_bRegisterFirstAisSentence(void (*pfn)(void)) {
  return L_HOOK_bSetOnce(&s_pfnFirstAisSentence, pfn, "first AIS sentence");
}

void T_NMEA_vSetupAISMenuItems(void) {
  if (void (*pfn)(void) = s_pfnFirstAisSentence.load()) pfn();
}
