// Test helper: records which buffer objects a widget binds (with the model-view z at that moment)
// and which it deletes, in order, by wrapping GLEW's entry points for the life of one object.
#pragma once

#include <GL/glew.h>

#include <algorithm>
#include <utility>
#include <vector>

class GL_Trace {
public:
    struct Binding {
        GLuint vbo = 0;
        float z = 0.0f;  // model-view translation along z when the buffer was bound
    };

    GL_Trace()
    {
        Current() = this;
        prev_bind_ = __glewBindBuffer;
        prev_delete_ = __glewDeleteBuffers;
        __glewBindBuffer = Bind_Hook;
        __glewDeleteBuffers = Delete_Hook;
    }
    ~GL_Trace()
    {
        __glewBindBuffer = prev_bind_;
        __glewDeleteBuffers = prev_delete_;
        Current() = nullptr;
    }
    GL_Trace(const GL_Trace&) = delete;
    GL_Trace& operator=(const GL_Trace&) = delete;

    // Bindings of the buffers in `vbos`, as (index into `vbos`, z), in the order they happened: the
    // vertex buffers of several widgets give their draw order.
    std::vector<std::pair<int, float>> Draws(const std::vector<GLuint>& vbos) const
    {
        std::vector<std::pair<int, float>> out;
        for (const Binding& b : bound) {
            const auto it = std::find(vbos.begin(), vbos.end(), b.vbo);
            if (it != vbos.end())
                out.emplace_back(static_cast<int>(it - vbos.begin()), b.z);
        }
        return out;
    }

    // Indices into `vbos` of the buffers deleted, in order.
    std::vector<int> Deleted(const std::vector<GLuint>& vbos) const
    {
        std::vector<int> out;
        for (GLuint name : deleted) {
            const auto it = std::find(vbos.begin(), vbos.end(), name);
            if (it != vbos.end())
                out.push_back(static_cast<int>(it - vbos.begin()));
        }
        return out;
    }

    std::vector<Binding> bound;
    std::vector<GLuint> deleted;

private:
    static GL_Trace*& Current()
    {
        static GL_Trace* current = nullptr;
        return current;
    }
    static void GLAPIENTRY Bind_Hook(GLenum target, GLuint vbo)
    {
        GL_Trace* t = Current();
        if (vbo != 0) {
            GLfloat m[16];
            glGetFloatv(GL_MODELVIEW_MATRIX, m);
            t->bound.push_back(Binding{vbo, m[14]});
        }
        t->prev_bind_(target, vbo);
    }
    static void GLAPIENTRY Delete_Hook(GLsizei n, const GLuint* names)
    {
        GL_Trace* t = Current();
        for (GLsizei i = 0; i < n; ++i)
            t->deleted.push_back(names[i]);
        t->prev_delete_(n, names);
    }

    PFNGLBINDBUFFERPROC prev_bind_ = nullptr;
    PFNGLDELETEBUFFERSPROC prev_delete_ = nullptr;
};
