// Uses the installed headers and libraries: checks the version and builds a label without a context.
#include <vrtools/label.h>

#include <cstdio>

int main()
{
    const char* version = Get_Version_VR_Tools("1.1");
    if (!version)
        return 1;
    std::printf("%s\n", version);
    VR_Labels label;  // no Init: a widget needs a GL context only from Init on
    label.Name = "consumer";
    return label.Name_Get() == nullptr ? 0 : 1;
}
