// The batch's shader programs: which GLSL dialect a context speaks, whether it has every entry point
// the batch calls, and one program per pass (0 meshes, 1 pictures, 2 outlines, 3 meshes whose quads
// are each of one colour) built from one source in that dialect.
#pragma once

#include <GL/glew.h>

#include <string>

namespace core {

// Pixels: the widgets' outlines are smooth lines two pixels wide, which with their antialiasing
// fringe and no blending come out three pixels wide. The outlines' program is given it as HALF_WIDTH.
#define BATCH_OUTLINE_HALF_WIDTH 1.5
constexpr float OUTLINE_HALF_WIDTH = static_cast<float>(BATCH_OUTLINE_HALF_WIDTH);

// The programs' attributes a_pos, a_normal, a_uv, a_color and a_info sit at locations 0 to 4.
constexpr GLuint ATTRIBUTE_COUNT = 5;

// The dialect of the current context ("120", "330 core" or "300 es"); null with `why` filled when
// none of ours.
const char* Batch_Dialect_Pick(bool& core_or_es, std::string& why);

// Whether a compatibility context lists the extension `name`.
bool Batch_Extension_Listed(const char* name);

// The first entry point beyond GL 1.1 the batch calls that the context lacks, by name; null when
// none is missing.
const char* Batch_Missing_Entry_Point(bool need_vao);

// True when the current context has vertex array objects (GL 3.0, ES 3.0, or the extension). GLEW's
// entry points alone do not tell: they can be filled where the call is not allowed.
bool Batch_Vertex_Arrays();

// Compiles and links the program of `pass` in `dialect` (pass 3 in "120" needs GL_EXT_gpu_shader4);
// 0 after a report.
GLuint Batch_Program_Build(const char* dialect, int pass);

// Compiles and links the sharp text's program (glyph quads from the glyph atlas) in `dialect`, with
// or without its outline, its attributes at Sharp_Text_Attributes' locations; 0 after a report.
GLuint Batch_Sharp_Program_Build(const char* dialect, bool outline);

}  // namespace core
