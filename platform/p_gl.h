// OpenGL 1.1 and GLU as the renderers include them, plus the few later enums the game uses.
#pragma once

// Some systems' gl.h pulls in the whole window system only to learn the calling
// convention and the import attribute; given here, the renderers see GL alone.
#if defined(_WIN32) && !defined(APIENTRY)
#define APIENTRY __stdcall
#define WINGDIAPI __declspec(dllimport)
#define CALLBACK __stdcall
#endif
#include <GL/gl.h>
#include <GL/glu.h>

// Beyond 1.1; headers that stop at 1.1 leave them out.
#ifndef GL_CLAMP_TO_EDGE
#define GL_CLAMP_TO_EDGE 0x812F
#endif
#ifndef GL_GENERATE_MIPMAP
#define GL_GENERATE_MIPMAP 0x8191
#endif
#ifndef GL_TEXTURE0_ARB
#define GL_TEXTURE0_ARB 0x84C0
#define GL_TEXTURE1_ARB 0x84C1
#define GL_ACTIVE_TEXTURE_ARB 0x84E0
#endif
