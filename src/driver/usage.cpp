// Usage texts of the collector and the probe, and the options read before
// the settings readers: --help, -h and --check. The manual pages collector(8)
// and probe(1) and the README say the same at length.
#include "driver/usage.h"

#include <cstring>

const char kCollectorUsage[] =
    "usage: collector [--check] [OPTION ...]\n"
    "       collector --help | -h\n"
    "\n"
    "Runs the SQL cursors of the control files on their schedules and answers the\n"
    "probe's requests. Options (abbreviations as noted; a value may follow the\n"
    "option directly, -rdbmsORCL):\n"
    "  -rdbms ID, -serverid ID  database server id (COLL_SERVERID)\n"
    "  -dbtype TYPE             agent type code, prefix of the control files (COLL_VERSION)\n"
    "  -logonid USER            database logon (COLL_LOGON); also -loginid\n"
    "  -password TEXT           database password (COLL_PASSWORD)\n"
    "  -ctldir DIR              control-file directory (COLL_CTL_HOME)\n"
    "  -logsdir DIR             directory of the print and log files (COLL_OUT)\n"
    "  -dbhome DIR              directory of local databases (COLL_DBHOME)\n"
    "  -dbversion TEXT          database version (COLL_DBVERSION)\n"
    "  -errlog PATH, -log PATH  database error log (COLL_ERRORLOG)\n"
    "  -maxread BYTES           error-log read size (MAXREADSZ_ERRORLOG)\n"
    "  -tempdir DIR             work prefix: request pipe, key file (COLL_PREFIX)\n"
    "  -ltempdir DIR            local work prefix (COLL_PREFIX_LOCAL)\n"
    "  -ipcmode MODE            octal mode of pipes and IPC objects (COLL_IPC_MODE)\n"
    "  -logontimeout SECONDS    bound on a logon (COLL_LOGON_TIMEOUT, 10)\n"
    "  -sqltimeout SECONDS      bound on one statement step (COLL_SQL_TIMEOUT, 60)\n"
    "  -v[d...], -d[d...]       tracing: a 'd' at position i switches trace level i on\n"
    "  -debug                   trace levels 0-8, no cursor\n"
    "  -version [FILE ...]      print version headers and exit\n"
    "  -filein FILE, @FILE      read further arguments from FILE\n"
    "  -NAME VALUE              parameter NAME for the dictionary file\n"
    "  --check                  read the control files and run the start-up edits,\n"
    "                           messages on standard output, then exit: 0 when\n"
    "                           start-up would succeed, 1 when it would not\n"
    "  --help, -h               print this text and exit\n"
    "\n"
    "Command-line values win over the environment, the environment over PROCESS.CTL.\n"
    "Exit status: 0 stopped (also after a failed start-up; see the print file),\n"
    "4 out of memory, 8 shared memory not available, 15 argument files nested too\n"
    "deeply, 95 argument file unreadable. See collector(8) for every setting.\n";

const char kProbeUsage[] =
    "usage: probe [-t shm|pipe] [-f table|csv|json|raw|openmetrics] [-m]\n"
    "             [collector options] NAME [PARAMETER ...]\n"
    "       probe [-t shm|pipe] [-m] --listen ADDRESS:PORT [--cursors NAME,...]\n"
    "             [collector options]\n"
    "       probe --help | -h\n"
    "\n"
    "Asks a running collector for the rows of cursor NAME, or sends a control word\n"
    "(RETRACE, SHUTDOWN, C-STATUS, D-STATUS, C-LAYOUT NAME), and prints the answer.\n"
    "  -t shm|pipe        transport (default: COLL_USESHM, else shared memory)\n"
    "  -f FORMAT          table (default), csv, json, raw (hexadecimal records) or\n"
    "                     openmetrics (numeric columns as gauges, text columns as labels)\n"
    "  -m                 show the transport's messages on standard error\n"
    "  --listen ADDRESS:PORT  serve GET /metrics there (an IPv4 address) until\n"
    "                     SIGINT or SIGTERM, asking for the cursors at every scrape\n"
    "  --cursors A,B,...  the cursors asked (default: every interval cursor)\n"
    "  --help, -h         print this text and exit\n"
    "The collector options (-rdbms, -dbtype, -ltempdir, ...) and COLL_ settings find\n"
    "the collector as it names its request pipe and key file. A request carries at\n"
    "most 40 parameters, over shared memory each of at most 19 characters.\n"
    "Exit status: 0 answered, 1 no rows, 2 collector unreachable or transport\n"
    "failed, 3 bad usage. See probe(1).\n";

bool wants_help(int argc, char** argv) {
  for (int i = 1; i < argc && argv[i]; ++i)
    if (strcmp(argv[i], "--help") == 0 || strcmp(argv[i], "-h") == 0) return true;
  return false;
}

bool take_check_option(int* argc, char** argv) {
  if (*argc < 2) return false;
  bool found = false;
  int kept = 1;
  for (int i = 1; i < *argc && argv[i]; ++i) {
    if (strcmp(argv[i], "--check") == 0)
      found = true;
    else
      argv[kept++] = argv[i];
  }
  if (kept < *argc) argv[kept] = nullptr;
  *argc = kept;
  return found;
}
