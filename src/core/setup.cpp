// GL set-up for hosts that have none of their own: normalised normals, one light, depth by LEQUAL.
#include "core.h"

#include <vrtools/setup.h>

void VR_Tools_GL_Setup()
{
    // w = 0: a directional light, so every widget of a panel is lit alike wherever it stands.
    const GLfloat position[] = {-0.3f, 0.4f, 1.0f, 0.0f};
    const GLfloat diffuse[] = {0.75f, 0.75f, 0.75f, 1.0f};
    const GLfloat ambient[] = {0.25f, 0.25f, 0.25f, 1.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
    glEnable(GL_LIGHT0);
    glEnable(GL_NORMALIZE);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
}
