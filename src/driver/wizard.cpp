// Wizard mode: pre-checks, their dialogs, the restart and the property sheet.
#include "driver/setup_state.h"

int RunWizardMode() { return 0; }
