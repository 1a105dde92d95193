// The drawing code learns its windows on the colour table once, at start.
#pragma once

// Once, from Main: hands the icon drawing and the graphic-context engine
// their windows on the colour table.
void H_PLATFORM_vSetup(void);
