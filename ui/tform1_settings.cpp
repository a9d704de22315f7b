#include "tform1.h"

namespace dorvanel {

void TForm1::Reverttoinitialsettings1Click() {}
void TForm1::Restoredefaultsettings1Click() {}
void TForm1::Savesettings1Click() {}

} // namespace dorvanel
