#include "h_cache.h"

#include "dd_cache.h"

void H_CACHE_vEnable(BOOLEAN) {}

void H_CACHE_vSetNonCacheableArea(NON_CACHEABLE_AREA area_num, void* pvAddress, U32 u32Size) {
  void* end = (U8*)pvAddress + u32Size - 1;
  if (area_num == SONAR_AREA) DD_CACHE_vSetNonCacheableArea0(pvAddress, end);
  if (area_num == ASSIGNABLE_AREA) DD_CACHE_vSetNonCacheableArea1(pvAddress, end);
}

void H_CACHE_vReinstateCacheableArea(NON_CACHEABLE_AREA area_num) {
  if (area_num == SONAR_AREA) DD_CACHE_vResetNonCacheableArea0();
  if (area_num == ASSIGNABLE_AREA) DD_CACHE_vResetNonCacheableArea1();
}

void H_CACHE_vFlush(void) { DD_CACHE_vFlush(); }
