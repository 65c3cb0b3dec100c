#pragma once
// The help text exactly as olvex prints it, for each build.
#ifdef _WIN32
#define HELP_TEXT \
    "\n" \
    "Oblivar\n" \
    "Usage: olvex [options] PATHS\n" \
    "\n" \
    "  /a, /abort-on-error Abort wiping operation on first error\n" \
    "  /B, /bom            Include BOM when writing output to file\n" \
    "  /b, /verbose        Verbose output\n" \
    "  /d, /dev-list       List physical devices\n" \
    "  /e, /empty-recycler Empty recycler when cleaning free space on drive\n" \
    "  /h, /help           Display help information\n" \
    "  /i, /leave-dirs     Do not remove empty directories when wiping files\n" \
    "  /k, /skip-confirm   Skip user confirmation when wiping (use with care)\n" \
    "  /l, /vol-list       List drive volumes\n" \
    "  /m, /mod-time : <DATE> \n" \
    "                      Wipe old files only, i.e. only those modified before this time\n" \
    "  /o, /output : <FILENAME> \n" \
    "                      Specify logging output directory or full explicit filename (specify 'NONE' to disable)\n" \
    "  /r, /rename : <COUNT> \n" \
    "                      Number of times to rename path prior to removal (0 to 26, default 3)\n" \
    "  /s, /scheme : <SCHEME> \n" \
    "                      Wiping scheme: zero|ran|vrn|vrn+|vrn++|gost|dod|vsitr|schn|gutm (default \"ran\")\n" \
    "  /S, /silent         Suppress console window (use with care)\n" \
    "  /T, /throttle : <SPEED> \n" \
    "                      Disk write speed: max|med|slow (default \"max\")\n" \
    "  /t, /tolerence : <PERC> \n" \
    "                      Error tolerence (0 to 50.0%, default 1.0%)\n" \
    "  /u, /simulation     Simulate the wipe operation (dummy test)\n" \
    "  /v, /version        Output version information\n" \
    "  /w, /wipe : <TASK>  Wipe operation: file|dev|vol|fspc|rcyc\n" \
    "  /x, /key-to-exit    Wait for key press before exit (Windows only)\n" \
    "  /y, /verify : <PASS> \n" \
    "                      Perform verification pass: last|first|both|none (default \"none\")\n" \
    "\n" \
    "Examples:\n" \
    "\n" \
    "  Wipe all files in Temp directory:\n" \
    "    olvex /wipe:file C:\\Temp\\*\n" \
    "\n" \
    "  Wipe named file with GOST scheme:\n" \
    "    olvex /wipe:file /scheme:gost \"C:\\Temp\\My File.txt\"\n" \
    "\n" \
    "  Clean free space on C: drive:\n" \
    "    olvex /wipe:fspc C:\n" \
    "\n" \
    "  Wipe recycler on C: drive:\n" \
    "    olvex /wipe:rcyc C:\n" \
    "\n" \
    "  Wipe volume J: with a verification pass:\n" \
    "    olvex /wipe:vol /verify:last J:\n" \
    "\n" \
    "  Wipe physical device ID 1:\n" \
    "    olvex /wipe:dev 1\n" \
    "\n" \
    "  List all volumes:\n" \
    "    olvex /vol-list\n" \
    "\n" \
    "  List all physical devices:\n" \
    "    olvex /dev-list\n" \
    "\n" \
    "Exit codes: 0 - OK, 1 - Failed, 2 - Input error, 3 - User aborted\n" \
    "\n" \
    "See the online userguide at https://oblivar.tarnhollow.example/guide for further information.\n" \
    "\n"
#else
#define HELP_TEXT \
    "\n" \
    "Oblivar\n" \
    "Usage: olvex [options] PATHS\n" \
    "\n" \
    "  -a, --abort-on-error\n" \
    "                      Abort wiping operation on first error\n" \
    "  -B, --bom           Include BOM when writing output to file\n" \
    "  -b, --verbose       Verbose output\n" \
    "  -d, --dev-list      List physical devices\n" \
    "  -e, --empty-recycler\n" \
    "                      Empty recycler when cleaning free space on drive\n" \
    "  -h, --help          Display help information\n" \
    "  -i, --leave-dirs    Do not remove empty directories when wiping files\n" \
    "  -k, --skip-confirm  Skip user confirmation when wiping (use with care)\n" \
    "  -l, --vol-list      List drive volumes\n" \
    "  -m, --mod-time=DATE Wipe old files only, i.e. only those modified before this time\n" \
    "  -o, --output=FILENAME\n" \
    "                      Specify logging output directory or full explicit filename (specify 'NONE' to disable)\n" \
    "  -r, --rename=COUNT  Number of times to rename path prior to removal (0 to 26, default 3)\n" \
    "  -s, --scheme=SCHEME Wiping scheme: zero|ran|vrn|vrn+|vrn++|gost|dod|vsitr|schn|gutm (default \"ran\")\n" \
    "  -S, --silent        Suppress console window (use with care)\n" \
    "  -T, --throttle=SPEED\n" \
    "                      Disk write speed: max|med|slow (default \"max\")\n" \
    "  -t, --tolerence=PERC\n" \
    "                      Error tolerence (0 to 50.0%, default 1.0%)\n" \
    "  -u, --simulation    Simulate the wipe operation (dummy test)\n" \
    "  -v, --version       Output version information\n" \
    "  -w, --wipe=TASK     Wipe operation: file|dev|vol|fspc|rcyc\n" \
    "  -x, --key-to-exit   Wait for key press before exit (Windows only)\n" \
    "  -y, --verify=PASS   Perform verification pass: last|first|both|none (default \"none\")\n" \
    "\n" \
    "--mod-time takes an age or a date (files modified before it are wiped):\n" \
    "  age   a number and a unit: 90d, 2weeks, \"12 hours\"; units s, m (min), h, d,\n" \
    "        w, mon (31 days), y (366 days)\n" \
    "  date  YYYY-MM-DD, YYYYMMDD, YYYY-MM, YYYY-DDD (day of the year); \"/\" for \"-\"\n" \
    "  time  after a date: Thh, Thh:mm or Thh:mm:ss, with Z (UTC) or an offset such\n" \
    "        as +02:00; local time without one\n" \
    "\n" \
    "Examples:\n" \
    "\n" \
    "  Wipe all files in Temp directory:\n" \
    "    olvex --wipe=file /home/me/Temp/*\n" \
    "\n" \
    "  Wipe named file with GOST scheme:\n" \
    "    olvex --wipe=file --scheme=gost \"/home/me/Temp/My File.txt\"\n" \
    "\n" \
    "  Clean free space on the /home volume:\n" \
    "    olvex --wipe=fspc /home\n" \
    "\n" \
    "  Wipe recycler on the /home volume:\n" \
    "    olvex --wipe=rcyc /home\n" \
    "\n" \
    "  Wipe volume /media/usb with a verification pass:\n" \
    "    olvex --wipe=vol --verify=last /media/usb\n" \
    "\n" \
    "  Wipe physical device ID 1:\n" \
    "    olvex --wipe=dev 1\n" \
    "\n" \
    "  List all volumes:\n" \
    "    olvex --vol-list\n" \
    "\n" \
    "  List all physical devices:\n" \
    "    olvex --dev-list\n" \
    "\n" \
    "Exit codes: 0 - OK, 1 - Failed, 2 - Input error, 3 - User aborted\n" \
    "\n" \
    "See the online userguide at https://oblivar.tarnhollow.example/guide for further information.\n" \
    "\n"
#endif
