#include "DataModule.h"

void TDM2::installEvents()
{
}
