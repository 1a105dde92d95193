// The English shop demonstration. Views are chosen by number through CVEW
// rather than by name, so the script runs whichever views a build registers;
// the photos are looked for on the cards and in the unit's photo directory.

#include "u_demoscript.h"

static const char s_acEnglishScript[] = R"(// Shop demonstration, English
CHAPTER MAIN
// The sonar as a fisherman would set it up
SET SSS2 12
SET SSSP 9
SET SSFI 1
SET SSPL 0
SET CVEW 21
BALLOON 40 250 380 3 "Sonar" 560 220
[BULLET] Bottom, structure and fish
[BULLET] Depth and temperature at a glance
[BULLET] Fish ID+ marks the fish for you
ENDBALLOON
WAIT 8
NOBALLOON
SET SSPL 1
WAIT 8
// The chart
PHOTO CHART.PNG
BALLOON 40 200 400 5 "Chart" 600 260
[BULLET] Built-in chart of lakes and coasts
[BULLET] Waypoints, routes and tracks
[VSPACE 4]Your position and heading stay on
[HSPACE 20]the screen at all times
ENDBALLOON
MOREINFO CHARTMORE
WAIT 8
ENDMOREINFO
NOBALLOON
WAIT 4
PHOTO SONAR.PNG
BALLOON 420 260 340 3 "Sonar colours" 250 200
[BULLET] Eight colour palettes
[BULLET] Clear in bright sunlight
[BULLET] Zoom on the bottom
ENDBALLOON
WAIT 8
NOBALLOON
PHOTO OFF
SET SSPL 2
WAIT 8
PHOTO SPLIT.PNG
BALLOON 200 300 400 2 "Chart and sonar" -1 -1
[BULLET] Both at once on one screen
[BULLET] Press VIEW to step through the views
ENDBALLOON
WAIT 8
NOBALLOON
PHOTO OFF
SET SSPL 0
ENDCHAPTER

// Reached from the chart balloon with the cursor pad's right arrow
CHAPTER CHARTMORE
BALLOON 60 220 440 3 "Navigation" -1 -1
[BULLET] Mark a waypoint with one key
[BULLET] Go to it along a route
[BULLET] Follow your track home
ENDBALLOON
WAIT 10
NOBALLOON
ENDCHAPTER
)";

extern const TUTORIAL_DATA g_DEMO_englishScript = {s_acEnglishScript, sizeof s_acEnglishScript - 1};
