#include "bench/bench_program.h"

#include <cstdlib>

#include "app/FileTypes.h"
#include "app/PluginEntrypoints.h"
#include "app/Startup.h"
#include "framework/application.h"
#include "framework/dialogs.h"
#include "framework/runtime.h"

namespace bench {

void StartProgramOffscreen() {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  rb::SetApplicationFolderPathForTesting(SKERROW_PROGRAM_DIR);
  rb::RuntimeInit();
  _InitPluginEntrypoints();
  rb::EnsureApplicationForTesting();
  _InitFileTypes();
  _NewAppInstance();
  rb::SetMessageBoxAnswerer([](const rb::MessageBoxRecord&) { return 1; });
}

}  // namespace bench
