// Loads a copy of the widget library from the path given and prints its version text: a process of
// its own, since a process that already has the library would be handed that one again.
#include <dlfcn.h>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    void* module = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        std::fprintf(stderr, "%s\n", dlerror());
        return 1;
    }
    using Fn = char* (*)(const char*);
    auto get = reinterpret_cast<Fn>(dlsym(module, "_Z20Get_Version_VR_ToolsPKc"));
    if (!get)
        return 1;
    const char* text = get("1.1");
    std::printf("%s\n", text ? text : "(null)");
    return 0;
}
