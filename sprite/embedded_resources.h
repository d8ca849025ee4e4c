// Sprites, native programs only: the resources of the program's resource scripts, embedded at build
// time (cmake/EmbedResources.cmake) so that the native image decoder finds them by name as Windows
// finds the resources of the executable.
#pragma once

#include <cstddef>

enum class ResourceKind { Bitmap, BinaryData };

struct EmbeddedResource {
    const char* name;
    ResourceKind kind;
    const unsigned char* bytes;
    size_t size;
};

// Set by the generated table of the program, before main; empty in a program without one.
struct EmbeddedResourceTable {
    const EmbeddedResource* entries = nullptr;
    size_t count = 0;
};
extern EmbeddedResourceTable embeddedResources;

// The resource of that kind and name (compared without regard to ASCII case, as resource names
// are); null when the program has none.
const EmbeddedResource* FindEmbeddedResource(ResourceKind kind, const wchar_t* name);
