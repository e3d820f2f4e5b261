#pragma once
// Offset that centres an icon in a client area of the given extent; may be
// negative when the area is smaller than the icon (truncated toward zero).
int CenteredIconOffset(int clientExtent, int iconExtent);
