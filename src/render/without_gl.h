// Put ahead of the renderer's GL-free sources by the build (-include): any GL header they reach,
// however indirectly, stops the build at its first type.
#pragma once
#pragma GCC poison GLuint GLint GLenum GLfloat GLsizei GLboolean GLbitfield GLubyte
