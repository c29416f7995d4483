// The immediate back end of a widget's description: the fixed-function GL calls of its own Draw.
#include "render/immediate/script.h"

namespace core {

namespace {

void Report(const Look_Immediate& im, const char* source)
{
    if (im.call)
        Report_GL_Errors(im.source ? im.source : source, im.line, im.call);
}

void Lit(const Look_Part& p, const Look_Immediate& im, const char* source)
{
    if (im.lit_open) {
        // A second mesh in the same pass, moved as a whole (a slider's cursor).
        if (p.quads > 0) {
            glPushMatrix();
            glTranslatef(p.offset[0], p.offset[1], p.offset[2]);
            Mesh_Bind(im.vbo[0], im.vbo[1], im.vbo[2]);
            glDrawArrays(GL_QUADS, im.first, 4 * p.quads);
            Report(im, source);
            glPopMatrix();
        }
        if (!im.lit_keep)
            Lit_Pass_End();
        return;
    }
    if (im.lit == Look_Lit::MATTE) {
        glEnable(GL_LIGHTING);
        glDisable(GL_TEXTURE_2D);
        // No shine, no glow; the vertex colours become ambient and diffuse.
        const GLfloat black[] = {0.0f, 0.0f, 0.0f, 1.0f};
        const GLfloat dim[] = {0.1f, 0.1f, 0.1f, 1.0f};
        glMaterialfv(GL_FRONT, GL_EMISSION, black);
        glMaterialfv(GL_FRONT, GL_SPECULAR, black);
        glMateriali(GL_FRONT, GL_SHININESS, 0);
        glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE, dim);
        glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
        glEnable(GL_COLOR_MATERIAL);
        Mesh_Bind(im.vbo[0], im.vbo[1], im.vbo[2]);
    } else {
        Lit_Pass_Begin(im.vbo[0], im.vbo[1], im.vbo[2]);
    }
    if (p.quads > 0) {
        glDrawArrays(GL_QUADS, im.first, 4 * p.quads);
        Report(im, source);
    }
    if (im.lit == Look_Lit::FLOOR) {
        glDisable(GL_LIGHTING);
        if (im.floor_first >= 0)
            glDrawArrays(GL_QUADS, im.floor_first, 4);
    }
    if (!im.lit_keep)
        Lit_Pass_End();
}

// A part drawn inside the caption pass and matrix the part before left open.
void Nested(const Look_Part& described, const Look_Immediate& script, const char* source)
{
    // NOTE: copies on the stack, so that the refresh can fill in sizes and buffers made as it
    // draws while the description stays const; nothing is allocated.
    Look_Part p = described;
    Look_Immediate im = script;
    if (!im.refresh || im.refresh(im.owner, p, im)) {
        Caption_Bind(im.vbo[0], im.vbo[1]);
        glTranslatef(im.at[0], im.at[1], 0.0f);
        glTranslatef(im.shift, 0.0f, 0.0f);
        glScalef(p.scale[0], p.scale[1], p.scale[2]);
        glTranslatef(-im.center, 0.0f, 0.0f);
        glDrawArrays(GL_QUADS, im.first, 4 * p.quads);
        Report(im, source);
    }
    if (script.nested_pop)
        glPopMatrix();
}

void Text(const Look_Part& p, const Look_Immediate& im, const char* source)
{
    if (im.nested) {
        Nested(p, im, source);
        return;
    }
    if (im.flat_caption) {
        Flat_Caption_Draw(im.texture, im.vbo[0], im.vbo[1], p.Vertices()[2], im.caption);
        Report(im, source);
        return;
    }
    if (im.bare) {
        Caption_Pass_Begin(im.caption);
        glBindTexture(GL_TEXTURE_2D, im.texture);
        Caption_Bind(im.vbo[0], im.vbo[1]);
        glDrawArrays(GL_QUADS, im.first, 4 * p.quads);
        Report(im, source);
        return;
    }
    const bool grouped = im.group_begin || im.group_end;
    Caption_Pass_Begin(im.caption);
    glColor3ub(p.rgb & 0xFF, (p.rgb >> 8) & 0xFF, (p.rgb >> 16) & 0xFF);
    glBindTexture(GL_TEXTURE_2D, im.texture);
    Caption_Bind(im.vbo[0], im.vbo[1]);
    if (!grouped)
        glPushMatrix();
    glTranslatef(p.offset[0], p.offset[1], p.offset[2] - im.base_z);
    // A moving texture shifts through the texture matrix: the buffers stay as uploaded.
    if (im.texture_shift) {
        glMatrixMode(GL_TEXTURE);
        glPushMatrix();
        glTranslatef(p.shift_s, 0.0f, 0.0f);
    }
    glDrawArrays(GL_QUADS, im.first, 4 * p.quads);
    Report(im, source);
    if (im.texture_shift) {
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
    }
    if (!grouped && !im.hold)
        glPopMatrix();
}

void Flat(const Look_Part& p, const Look_Immediate& im, const char* source)
{
    if (im.strips) {
        // Flat_Strips_Begin sets the strips' colour and height itself.
        Flat_Strips_Begin(im.vbo[0], 4 * p.quads);
        return;
    }
    glColor3ub(p.rgb & 0xFF, (p.rgb >> 8) & 0xFF, (p.rgb >> 16) & 0xFF);
    Mesh_Bind(im.vbo[0], 0, 0);
    glTranslatef(p.offset[0], p.offset[1], p.offset[2]);
    glDrawArrays(GL_QUADS, im.first, 4 * p.quads);
    Report(im, source);
}

void Picture(const Look_Part& p, const Look_Immediate& im, const char* source)
{
    if (im.picture_replace) {
        // The texel as it is; the combiner is left at its defaults for the captions after.
        glEnable(GL_TEXTURE_2D);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
        Combiner_Modulate();
    } else {
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glEnable(GL_TEXTURE_2D);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        // Colour: texture times the tint (the default second source is the primary colour); alpha:
        // the picture's own.
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE);
        Combiner_Modulate(GL_REPLACE);
        glColor3ub(p.rgb & 0xFF, (p.rgb >> 8) & 0xFF, (p.rgb >> 16) & 0xFF);
    }
    glBindTexture(GL_TEXTURE_2D, im.texture);
    glPushMatrix();
    glTranslatef(p.offset[0], p.offset[1], p.offset[2] - im.base_z);
    // The part's own quad, in immediate mode: no buffer holds it.
    const short* v = p.Vertices();
    const float* st = p.Coords();
    glBegin(GL_QUADS);
    for (int i = 0; i < 4; ++i) {
        glTexCoord2f(st[2 * i], st[2 * i + 1]);
        glVertex2s(v[3 * i], v[3 * i + 1]);
    }
    glEnd();
    Report(im, source);
    glPopMatrix();
    glDisable(GL_TEXTURE_2D);
    if (!im.picture_replace)
        glDisable(GL_BLEND);
}

void Outline(const Look_Part& p, const Look_Immediate& im, const char* source)
{
    // The same quads as smooth lines; the arrays of the part before stay bound.
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    glEnable(GL_LINE_SMOOTH);
    glLineWidth(2.0f);
    glColor3ub(p.rgb & 0xFF, (p.rgb >> 8) & 0xFF, (p.rgb >> 16) & 0xFF);
    glTranslatef(0.0f, 0.0f, im.z_step);
    glDrawArrays(GL_QUADS, im.first, 4 * p.quads);
    Report(im, source);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glLineWidth(1.0f);
    glDisable(GL_LINE_SMOOTH);
}

void Loose(const Look_Part& p, const Look_Immediate& im)
{
    if (im.light_on) {
        glEnable(GL_LIGHTING);
        glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
        glEnable(GL_COLOR_MATERIAL);
    }
    if (!im.same_colour)
        glColor3ub(p.rgb & 0xFF, (p.rgb >> 8) & 0xFF, (p.rgb >> 16) & 0xFF);
    if (!im.joined)
        glBegin(im.triangle ? GL_TRIANGLES : GL_QUADS);
    const short* v = p.own_vertex;
    for (int i = 0; i < (im.triangle ? 3 : 4); ++i)
        glVertex3f(v[3 * i], v[3 * i + 1], static_cast<float>(v[3 * i + 2]) + p.offset[2]);
    if (!im.joins)
        glEnd();
    if (im.light_off) {
        glDisable(GL_COLOR_MATERIAL);
        glDisable(GL_LIGHTING);
    }
}

// One part's own GL calls, the state around it aside.
void Issue(const Look_Part& p, const Look_Immediate& im, const char* source)
{
    if (im.loose) {
        Loose(p, im);
        return;
    }
    switch (p.pass) {
    case Look_Pass::LIT: Lit(p, im, source); break;
    case Look_Pass::TEXT: Text(p, im, source); break;
    case Look_Pass::FLAT: Flat(p, im, source); break;
    case Look_Pass::PICTURE: Picture(p, im, source); break;
    case Look_Pass::OUTLINE: Outline(p, im, source); break;
    default: break;
    }
}

}  // namespace

void Look_Replay(const Look& look, const Replay_Script& script, const char* source)
{
    // Fixed-function calls only: elsewhere a widget is drawn through the batch.
    if (Own_Draw_Refused())
        return;
    const std::size_t steps = script.Size();
    if (Lint_On() && steps > 0) {
        const char* call = script[0].call;
        Lint_GL_Pending(call ? call : source);
    }
    for (std::size_t i = 0; i < steps; ++i) {
        const Look_Immediate& im = script[i];
        const Look_Part* p = script.Part_Of(look, im);
        if (im.outer_begin) {
            glPushMatrix();
            glTranslatef(0.0f, 0.0f, im.outer_z);
        }
        if (im.group_begin)
            glPushMatrix();
        if (im.pre_z != 0.0f)
            glTranslatef(0.0f, 0.0f, im.pre_z);
        if (p)
            Issue(*p, im, source);
        if (im.array_off == Look_Array_Off::BEFORE_END)
            glDisableClientState(GL_VERTEX_ARRAY);
        if (p && p->pass == Look_Pass::TEXT && !im.hold)
            Caption_Pass_End(im.flat_caption ? Caption_Restore::NONE : im.restore);
        if (im.strips_end)
            Flat_Strips_End();
        if (im.group_end)
            glPopMatrix();
        for (int k = 0; k < im.empty_groups; ++k) {
            glPushMatrix();
            glPopMatrix();
        }
        if (im.array_off == Look_Array_Off::AFTER_END)
            glDisableClientState(GL_VERTEX_ARRAY);
        if (im.outer_end)
            glPopMatrix();
    }
}

}  // namespace core
