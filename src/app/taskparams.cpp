// The task table: one row per task id (row n is task n + 1), with the stack
// the task asks for, its table priority and its entry. Rows of features left
// out of this build keep their place; their entries end at once.

#include "linuxsvc.h"
#include "t_acc.h"
#include "t_adc.h"
#include "t_alarm.h"
#include "t_battery.h"
#include "t_btremote.h"
#include "t_chart.h"
#include "t_display.h"
#include "t_info.h"
#include "t_inlinetest.h"
#include "t_keyboard.h"
#include "t_leftout.h"
#include "t_menu.h"
#include "t_messagebox.h"
#include "t_mmc.h"
#include "t_n_history.h"
#include "t_n_ping.h"
#include "t_n_process.h"
#include "t_nav.h"
#include "t_nmea.h"
#include "t_nvram.h"
#include "t_pcc.h"
#include "t_speed.h"
#include "t_startup.h"
#include "t_temp.h"
#include "t_tone.h"
#include "t_uart.h"
#include "t_view.h"
#include "t_viewkey.h"

const TASK_PARAM TaskParams[ntasks] = {
    {1024, 100, rtxcbug},  // 1 RTXCBUG
    {1024, 70, T_UART_vMain},  // 2 UARTTASK
    {1024, 100, T_DUMMY_vMain},  // 3 DUMMYTASK
    {1024, 100, T_DISPLAY_vMain},  // 4 DISPTASK
    {8192, 100, T_VIEW_vMain},  // 5 VIEWTASK
    {512, 98, T_VIEWKEY_vMain},  // 6 VIEWKEYTASK
    {1024, 90, T_ADC_vMain},  // 7 ADCTASK
    {2048, 95, T_KEYBOARD_vMain},  // 8 KBDTASK
    {1024, 100, T_SPEED_vMain},  // 9 SPEEDTASK
    {1024, 100, T_INFO_vMain},  // 10 INFOTASK
    {2048, 81, T_N_PROCESS_vMain},  // 11 PROCESSTASK
    {2048, 100, T_N_PING_vMain},  // 12 PINGTASK
    {20480, 100, T_CHART_vMain},  // 13 CHARTTASK
    {1024, 100, T_NVRAM_vMain},  // 14 NVRTASK
    {4098, 98, T_MENU_vMain},  // 15 MENUTASK
    {16384, 98, T_NAV_vMain},  // 16 NAVTASK
    {32768, 100, T_BTNC_vMain},  // 17 BTNCTASK
    {2048, 95, T_STARTUP_vMain},  // 18 STARTTASK
    {1024, 92, T_TONE_vMain},  // 19 TONETASK
    {4096, 70, T_NMEA_vMain},  // 20 NMEATASK
    {1024, 100, T_ALARM_vMain},  // 21 ALARMTASK
    {2048, 100, T_PCC_vMain},  // 22 PCCTASK
    {1024, 100, T_BAR_vMain},  // 23 BARTASK
    {512, 100, T_ACC_vMain},  // 24 ACCTASK
    {1024, 100, T_TEMP_vMain},  // 25 WTEMPTASK
    {1024, 100, T_BATTERY_vMain},  // 26 BATTTASK
    {4096, 100, T_INLINETEST_vMain},  // 27 INLINETESTTASK
    {1024, 100, T_ACCCOMM_vMain},  // 28 ACCCOMM
    {4096, 100, T_MMC_vMain},  // 29 MMCTASK
    {2048, 100, T_N_HISTORY_vMain},  // 30 HISTORYTASK
    {1024, 100, T_BUTTON_vMain},  // 31 BUTTONTASK
    {1024, 100, T_CHARTINFO_vMain},  // 32 CHARTINFOTASK
    {1024, 100, T_HISTORY3D_vMain},  // 33 HISTORY3DTASK
    {1024, 100, T_PROCESS3D_vMain},  // 34 PROCESS3DTASK
    {1024, 100, T_DEVELOPMENT_vMain},  // 35 DEVELOPMENTTASK
    {1024, 100, T_RENDER3D_vMain},  // 36 RENDER3DTASK
    {1024, 100, T_BATHYMETRY_vMain},  // 37 BATHYMETRYTASK
    {1024, 100, T_CHART3D_vMain},  // 38 CHART3DTASK
    {1024, 100, T_HTML_vMain},  // 39 HTMLTASK
    {1024, 100, T_ETHERNET_vMain},  // 40 ETHERNETTASK
    {1024, 100, T_SOUND_vMain},  // 41 SOUNDTASK
    {1024, 100, T_SLPD_vMain},  // 42 SLPDTASK
    {1024, 100, T_SLPTEST_vMain},  // 43 SLPTESTTASK
    {1024, 100, T_SOCKET_vMain},  // 44 SOCKETTASK
    {1024, 100, T_XID_vMain},  // 45 XIDTASK
    {1024, 100, T_GMSG_vMain},  // 46 GMSGTASK
    {1024, 100, T_GMSGSOCKET_vMain},  // 47 GMSGSOCKETTASK
    {1024, 100, T_GMSGTEST_vMain},  // 48 GMSGTESTTASK
    {1024, 100, T_SLPCLIENT_vMain},  // 49 SLPCLIENTTASK
    {1024, 100, T_SUDPIN_vMain},  // 50 SUDPIN
    {1024, 100, T_SUDPOUT_vMain},  // 51 SUDPOUT
    {1024, 100, T_RADAR_vMain},  // 52 RADARTASK
    {1024, 100, T_RADARDATA_vMain},  // 53 RADARDATATASK
    {1024, 100, T_RADARSERVER_vMain},  // 54 RADARSERVERTASK
    {1024, 100, T_PINGRECORDREAD_vMain},  // 55 PINGRECORDREADTASK
    {1024, 100, T_RADARCLIENT_vMain},  // 56 RADARCLIENTTASK
    {1024, 100, T_ETHBCAST_vMain},  // 57 ETHBCASTTASK
    {1024, 100, T_ETHUPDATER_vMain},  // 58 ETHUPDATERTASK
    {1024, 100, T_RQXCONTROL_vMain},  // 59 RQXCONTROLTASK
    {1024, 100, T_RQXBCAST_vMain},  // 60 RQXBCASTTASK
    {1024, 100, T_NETPINGRECEIVE_vMain},  // 61 NETPINGRECEIVETASK
    {1024, 100, T_NAVRO_vMain},  // 62 NAVROTASK
    {2048, 90, T_BTREMOTE_vMain},  // 63 BTREMOTETASK
    {2048, 100, T_MESSAGEBOX_vMain},  // 64 MESSAGEBOXTASK
    {1024, 100, T_TESSARYLIVE_vMain},  // 65 TESSARYLIVETASK
    {1024, 126, T_FENROW_vMain},  // 66 FENROWTASK
    {1024, 126, T_NAVROREMOTE_vMain},  // 67 NAVROREMOTETASK
    {1024, 126, T_CHARTSELECT_vMain},  // 68 CHARTSELECTTASK
    {1024, 100, T_RADAR_SERVER_CHIRP_vMain},  // 69 CHIRPRADARSERVERTASK
    {1024, 100, T_FCIDSERVER_vMain},  // 70 FCIDSERVERTASK
    {1024, 85, T_VARDEKNETWORK_vMain},  // 71 VARDEKNETWORKTASK
};
