// The contexts the batched renderer is tested in: each profile is what it claims, and the fixture's
// read-back and upload counters work in it.
#include "gl_fixture.h"

#include <string>

class BatchContext : public GL_Test {};

TEST_F(BatchContext, ProfileIsTheRequestedOne)
{
    const std::string version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    const bool es = version.rfind("OpenGL ES", 0) == 0;
    EXPECT_EQ(es, Profile() == headless::Profile::GLES) << version;
    if (es)
        return;
    GLint mask = 0;
    glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &mask);
    const GLint wanted =
        Profile() == headless::Profile::CORE ? GL_CONTEXT_CORE_PROFILE_BIT : GL_CONTEXT_COMPATIBILITY_PROFILE_BIT;
    EXPECT_EQ(mask & wanted, wanted) << version;
}

TEST_F(BatchContext, SubRangeUploadsAreCountedAndReadBack)
{
    GLuint vbo = 0;
    glGenBuffers(1, &vbo);
    glBindBuffer(GL_ARRAY_BUFFER, vbo);
    const unsigned char zeros[16] = {};
    glBufferData(GL_ARRAY_BUFFER, sizeof zeros, zeros, GL_DYNAMIC_DRAW);
    const unsigned char patch[6] = {1, 2, 3, 4, 5, 6};
    glBufferSubData(GL_ARRAY_BUFFER, 4, sizeof patch, patch);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    EXPECT_EQ(Counts().buffer_sub_data, 1);
    EXPECT_EQ(Counts().sub_data_bytes, 6);
    const std::vector<unsigned char> bytes = Buffer_Bytes(vbo);
    const std::vector<unsigned char> expected = {0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(bytes, expected);
    glDeleteBuffers(1, &vbo);
}
