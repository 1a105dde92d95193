// Cache areas kept out of the cache for devices that write memory directly.
#pragma once

#include "basetypes.h"

typedef enum tag_NON_CACHEABLE_AREA {
  SONAR_AREA = 1,
  ASSIGNABLE_AREA = 2,
} NON_CACHEABLE_AREA;

void H_CACHE_vEnable(BOOLEAN bState);
// Other area numbers do nothing.
void H_CACHE_vSetNonCacheableArea(NON_CACHEABLE_AREA area_num, void* pvAddress, U32 u32Size);
void H_CACHE_vReinstateCacheableArea(NON_CACHEABLE_AREA area_num);
void H_CACHE_vFlush(void);
