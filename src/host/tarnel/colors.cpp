// The toolkit's colour value and its look-and-feel globals.
#include <vrtools/tarnel.h>

Colors::Colors(unsigned long packed)
    : Red(static_cast<unsigned short>(packed & 0xFF)), Green(static_cast<unsigned short>((packed >> 8) & 0xFF)),
      Blue(static_cast<unsigned short>((packed >> 16) & 0xFF)), Extra(0)
{}

unsigned long Colors::get() const
{
    // Words above 255 are not colours the widgets can make; keep only the low byte of each.
    return (Red & 0xFFul) | ((Green & 0xFFul) << 8) | ((Blue & 0xFFul) << 16);
}

int BORDER = 2;
std::uint8_t Tool_Looks = 0;
