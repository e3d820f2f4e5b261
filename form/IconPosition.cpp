#include "form/IconPosition.h"

int CenteredIconOffset(int clientExtent, int iconExtent) { return (clientExtent - iconExtent + 1) / 2; }
