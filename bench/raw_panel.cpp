// The raw-GL reference: exactly the GL calls of the vrtools panel's passes, from prepared buffers.
//
// A private vrtools panel is built once, untimed; its arrays are copied into buffers the reference
// owns, and for the drag its read-out bitmaps are recorded over one period of the pointer path.
// A frame then issues, call for call, what the widgets' Draw, Select and Adjust issue (the check
// program compares the two call sequences), with nothing but loops over prepared records between.
#include <GL/glew.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <vrtools/tarnel.h>
#include "vrtools_panel.h"

namespace bench {

namespace {

// [SECTION] The GL sequences of the shared passes ----------------------------------------------

inline void Replace(GLuint& vbo, const void* data, GLsizeiptr bytes)
{
    if (vbo != 0)
        glDeleteBuffers(1, &vbo);
    vbo = 0;
    glGenBuffers(1, &vbo);
    glBindBuffer(GL_ARRAY_BUFFER, vbo);
    glBufferData(GL_ARRAY_BUFFER, bytes, data, GL_STATIC_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
}

// A buffer loaded again in place once it exists (the slider's read-out quad).
inline void Upload(GLuint& vbo, const void* data, GLsizeiptr bytes)
{
    if (vbo == 0)
        glGenBuffers(1, &vbo);
    glBindBuffer(GL_ARRAY_BUFFER, vbo);
    glBufferData(GL_ARRAY_BUFFER, bytes, data, GL_STATIC_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
}

inline void Mesh_Bind(GLuint v, GLuint n, GLuint c)
{
    glBindBuffer(GL_ARRAY_BUFFER, v);
    glVertexPointer(3, GL_SHORT, 0, nullptr);
    glBindBuffer(GL_ARRAY_BUFFER, n);
    glNormalPointer(GL_SHORT, 0, nullptr);
    glBindBuffer(GL_ARRAY_BUFFER, c);
    glColorPointer(4, GL_UNSIGNED_BYTE, 0, nullptr);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
}

inline void Caption_Bind(GLuint v, GLuint c)
{
    glBindBuffer(GL_ARRAY_BUFFER, v);
    glVertexPointer(3, GL_SHORT, 0, nullptr);
    glBindBuffer(GL_ARRAY_BUFFER, c);
    glTexCoordPointer(2, GL_FLOAT, 0, nullptr);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
}

inline void Caption_Begin(bool unpack_one)
{
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glTexEnvf(GL_TEXTURE_ENV, GL_ALPHA_SCALE, 1.0f);
    glEnable(GL_TEXTURE_2D);
    if (unpack_one)
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE);
    glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB, GL_REPLACE);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB, GL_PRIMARY_COLOR);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_RGB, GL_SRC_COLOR);
    glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_ALPHA, GL_REPLACE);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_ALPHA, GL_TEXTURE);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_ALPHA, GL_SRC_ALPHA);
}

inline void Caption_End()
{
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB, GL_MODULATE);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB, GL_TEXTURE);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_RGB, GL_SRC_COLOR);
    glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_ALPHA, GL_MODULATE);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_ALPHA, GL_TEXTURE);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_ALPHA, GL_SRC_ALPHA);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
}

inline void Lit_Begin()
{
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_LIGHTING);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glEnable(GL_COLOR_MATERIAL);
}

inline void Lit_End()
{
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisable(GL_COLOR_MATERIAL);
    glDisable(GL_LIGHTING);
}

// [SECTION] Prepared records -------------------------------------------------------------------

GLuint Upload(const void* data, GLsizeiptr bytes)
{
    GLuint vbo = 0;
    glGenBuffers(1, &vbo);
    glBindBuffer(GL_ARRAY_BUFFER, vbo);
    glBufferData(GL_ARRAY_BUFFER, bytes, data, GL_STATIC_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    return vbo;
}

struct Raw_Label {
    GLuint texture = 0, vertex = 0, coord = 0;
    GLubyte r = 0, g = 0, b = 0;
};

struct Raw_Button {
    GLuint vertex = 0, normal = 0, color = 0, text_vertex = 0, text_coord = 0, texture = 0;
    GLsizei vertices = 0;
    std::vector<unsigned int> plain, lit;  // colour arrays without and with the hover highlight
};

struct Raw_Slider {
    GLuint vertex = 0, normal = 0, color = 0, text_vertex = 0, text_coord = 0, texture = 0;
    GLuint cursor_vertex = 0, cursor_normal = 0, cursor_color = 0;
    GLuint value_texture = 0, value_vertex = 0, value_coord = 0;
    GLsizei vertices = 0, cursor_vertices = 0;
    float readout_x = 0.0f, readout_y = 0.0f;  // where the read-out of the left end stands
    float d = 0.0f, scale = 0.0f, half_width = 0.0f;
    std::vector<unsigned int> plain, lit;
};

// One step of the drag: what the dragged slider shows and uploads.
struct Drag_Step {
    bool changed = false;  // the read-out text differs from the step before
    GLsizei tex_w = 0, tex_h = 0;
    std::vector<unsigned char> bitmap;
    short vertex[12] = {};
    float coord[8] = {};
    float d = 0.0f, scale = 0.0f, half_width = 0.0f;
};

// The cursor offset for the value a slider shows: its travel times the value's place in the range,
// rounded half up (a linear range, as in the panel).
float Cursor_Offset(const VR_Valuators& s)
{
    const int travel = s.Width - 2 * (s.Bevel + s.Cursor_Half_Width);
    float t = (s.Shown_Value - s.Value_Min) / (s.Value_Max - s.Value_Min);
    t = t > 0.0f ? (t < 1.0f ? t : 1.0f) : 0.0f;
    return static_cast<float>(
        static_cast<short>(static_cast<int>(std::trunc(static_cast<double>(static_cast<float>(travel) * t) + 0.5))));
}

std::vector<unsigned int> Colors_Of(const VR_Tools& w)
{
    return std::vector<unsigned int>(w.Color_Array, w.Color_Array + 4 * w.Quad_Count);
}

void Require(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "bench: the raw reference does not cover this panel: %s\n", what);
        std::exit(2);
    }
}

// [SECTION] The reference ----------------------------------------------------------------------

class Raw final : public Panel {
public:
    const char* Name() const override { return "raw"; }
    // A live frame's read-outs are new texts: their bitmaps cannot be prepared beforehand without
    // doing the very work the frame measures, so the reference has nothing of its own to issue.
    bool Runs(Scenario s) const override { return s != Scenario::LIVE; }

    void Setup(const std::vector<Row>& rows) override
    {
        rows_ = &rows;
        source_.Setup(rows);
        std::string error;
        if (!captions_open_ && !(captions_open_ = captions_.Open(&error))) {
            std::fprintf(stderr, "bench: %s\n", error.c_str());
            std::exit(2);
        }
    }

    void Build(Scenario s) override
    {
        if (s == Scenario::INIT)
            return;
        source_.Init();
        source_.Prepare(s);
        const int n = source_.count;
        labels_.resize(static_cast<size_t>(n));
        buttons_.resize(static_cast<size_t>(n));
        sliders_.resize(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) {
            Prepare_Label(source_.labels[i], labels_[static_cast<size_t>(i)]);
            Prepare_Button(source_.buttons[i], buttons_[static_cast<size_t>(i)]);
            Prepare_Slider(source_.sliders[i], sliders_[static_cast<size_t>(i)]);
        }
        if (s == Scenario::DRAG && n > 0)
            Record_Drag();
    }

    void Frame(Scenario s, int step) override
    {
        switch (s) {
        case Scenario::INIT: checksum_ += captions_.Render(*rows_); return;
        case Scenario::HOVER: Hover(step); break;
        case Scenario::DRAG: drag_step_ = &drag_[static_cast<size_t>(step) % drag_.size()]; break;
        case Scenario::STEADY:
        case Scenario::LIVE: break;
        }
        const size_t n = labels_.size();
        for (size_t i = 0; i < n; ++i) {
            Draw(labels_[i]);
            Draw(buttons_[i]);
            if (i == 0 && s == Scenario::DRAG)
                Draw_Dragged(sliders_[0], *drag_step_, step == 0);
            else
                Draw(sliders_[i]);
        }
    }

    void Destroy() override
    {
        for (Raw_Label& l : labels_) {
            glDeleteBuffers(1, &l.vertex);
            glDeleteBuffers(1, &l.coord);
        }
        for (Raw_Button& b : buttons_) {
            const GLuint names[] = {b.vertex, b.normal, b.color, b.text_vertex, b.text_coord};
            glDeleteBuffers(5, names);
        }
        for (Raw_Slider& s : sliders_) {
            const GLuint names[] = {s.vertex,        s.normal,        s.color,        s.text_vertex,  s.text_coord,
                                    s.cursor_vertex, s.cursor_normal, s.cursor_color, s.value_vertex, s.value_coord};
            glDeleteBuffers(10, names);
        }
        if (own_value_texture_)
            glDeleteTextures(1, &own_value_texture_);
        own_value_texture_ = 0;
        labels_.clear();
        buttons_.clear();
        sliders_.clear();
        drag_.clear();
        source_.Release();
    }

private:
    void Prepare_Label(const VR_Labels& w, Raw_Label& r)
    {
        Require(w.Text_Vertex_VBO && w.W_Name && !(w.Flags & (VR_HIDDEN | VR_FLAT)), "a label without a caption");
        r.texture = w.Text_Texture;
        r.vertex = Upload(w.Text_Vertex_Array, 24);
        r.coord = Upload(w.Text_Coord_Array, 32);
        const unsigned int c = w.Color_Get();
        r.r = static_cast<GLubyte>(c & 0xFF);
        r.g = static_cast<GLubyte>((c >> 8) & 0xFF);
        r.b = static_cast<GLubyte>((c >> 16) & 0xFF);
    }

    void Prepare_Button(VR_Buttons& w, Raw_Button& r)
    {
        Require(w.Quad_Count == 13 && w.Text_Vertex_VBO && !w.Lamp_Array && w.State == 0 && w.Built_State == 0 &&
                    !(w.Flags & (VR_HIDDEN | VR_FLAT)),
                "a button other than a raised, captioned one without a lamp");
        r.vertex = Upload(w.Vertex_Array, 24 * w.Quad_Count);
        r.normal = Upload(w.Normal_Array, 24 * w.Quad_Count);
        r.color = Upload(w.Color_Array, 16 * w.Quad_Count);
        r.text_vertex = Upload(w.Text_Vertex_Array, 24);
        r.text_coord = Upload(w.Text_Coord_Array, 32);
        r.texture = w.Text_Texture;
        r.vertices = 4 * w.Quad_Count;
        // The two colourings a hover change uploads, taken from the widget itself.
        Require(!w.Highlight, "a button under the pointer");
        r.plain = Colors_Of(w);
        w.Select(0, static_cast<float>(w.X + 1), static_cast<float>(w.Y + 1));
        r.lit = Colors_Of(w);
        w.Deselect();
    }

    void Prepare_Slider(VR_Valuators& w, Raw_Slider& r)
    {
        Require(w.Text_Vertex_VBO && w.Format && w.Value_Vertex_VBO && !w.Image && w.Cursor_Quad_Count > 0 &&
                    !(w.Flags & (VR_HIDDEN | VR_FLAT | VR_VALUATOR_LOG10 | VR_VALUATOR_LOGE)),
                "a slider other than a linear one with caption, cursor and read-out");
        r.vertex = Upload(w.Vertex_Array, 24 * w.Quad_Count);
        r.normal = Upload(w.Normal_Array, 24 * w.Quad_Count);
        r.color = Upload(w.Color_Array, 16 * w.Quad_Count);
        r.text_vertex = Upload(w.Text_Vertex_Array, 24);
        r.text_coord = Upload(w.Text_Coord_Array, 32);
        r.cursor_vertex = Upload(w.Cursor_Vertex_Array, 24 * w.Cursor_Quad_Count);
        r.cursor_normal = Upload(w.Cursor_Normal_Array, 24 * w.Cursor_Quad_Count);
        r.cursor_color = Upload(w.Cursor_Color_Array, 16 * w.Cursor_Quad_Count);
        r.value_vertex = Upload(w.Value_Vertex_Array, 24);
        r.value_coord = Upload(w.Value_Coord_Array, 32);
        r.texture = w.Text_Texture;
        r.value_texture = w.Value_Texture;
        r.vertices = 4 * w.Quad_Count;
        r.cursor_vertices = 4 * w.Cursor_Quad_Count;
        r.readout_x = static_cast<float>(w.X + w.Bevel + w.Cursor_Half_Width);
        r.readout_y = static_cast<float>(w.Y) - 10.0f;
        r.d = Cursor_Offset(w);
        r.scale = 10.0f / static_cast<float>(w.Value_Text_Height);
        r.half_width = -static_cast<float>(w.Value_Text_Width) * 0.5f;
        const float x = static_cast<float>(w.X + 1), y = static_cast<float>(w.Y + 1);
        if (w.Selected) {
            // The dragged slider stays selected, as its panel has it.
            r.lit = Colors_Of(w);
            w.Deselect();
            r.plain = Colors_Of(w);
            w.Select(1, x, y);
        } else {
            r.plain = Colors_Of(w);
            w.Select(0, x, y);
            r.lit = Colors_Of(w);
            w.Deselect();
        }
    }

    // Runs the private panel's dragged slider through one period of the path and keeps what each
    // step shows; the reference then uploads those bitmaps and quads into a texture of its own.
    void Record_Drag()
    {
        VR_Valuators& w = source_.sliders[0];
        const std::vector<float>& path = source_.drag_path;
        drag_.resize(path.size());
        std::vector<std::wstring> texts(path.size());
        for (size_t p = 0; p < path.size(); ++p) {
            w.Is_Select(path[p]);
            w.Value = w.Read();
            w.Adjust();
            w.Draw();
            Drag_Step& d = drag_[p];
            d.tex_w = w.Value_Tex_Width;
            d.tex_h = w.Value_Tex_Height;
            d.bitmap.assign(w.Value_Bitmap, w.Value_Bitmap + static_cast<size_t>(d.tex_w) * d.tex_h);
            std::memcpy(d.vertex, w.Value_Vertex_Array, sizeof(d.vertex));
            std::memcpy(d.coord, w.Value_Coord_Array, sizeof(d.coord));
            d.d = Cursor_Offset(w);
            d.scale = 10.0f / static_cast<float>(w.Value_Text_Height);
            d.half_width = -static_cast<float>(w.Value_Text_Width) * 0.5f;
            texts[p] = w.Value_Text;
        }
        for (size_t p = 0; p < path.size(); ++p)
            drag_[p].changed = texts[p] != texts[(p + path.size() - 1) % path.size()];
        glGenTextures(1, &own_value_texture_);
        glBindTexture(GL_TEXTURE_2D, own_value_texture_);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_BORDER);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_BORDER);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        sliders_[0].value_texture = own_value_texture_;
    }

    void Hover(int step)
    {
        // The widget the pointer enters and the one it left, in the order the host hit-tests them.
        const int n = static_cast<int>(source_.hover_path.size());
        const int k = step % n;
        const int left = (k + n - 1) % n;
        if (step > 0 && left < k)
            Recolor(left, false);
        Recolor(k, true);
        if (step > 0 && left > k)
            Recolor(left, false);
    }

    void Recolor(int target, bool lit)
    {
        const size_t row = static_cast<size_t>(source_.Hover_Row(target));
        if (source_.Hover_Is_Button(target)) {
            Raw_Button& b = buttons_[row];
            const std::vector<unsigned int>& c = lit ? b.lit : b.plain;
            Replace(b.color, c.data(), static_cast<GLsizeiptr>(c.size() * 4));
        } else {
            Raw_Slider& s = sliders_[row];
            const std::vector<unsigned int>& c = lit ? s.lit : s.plain;
            Replace(s.color, c.data(), static_cast<GLsizeiptr>(c.size() * 4));
        }
    }

    static void Draw(const Raw_Label& l)
    {
        Caption_Begin(true);
        glColor3ub(l.r, l.g, l.b);
        glBindTexture(GL_TEXTURE_2D, l.texture);
        Caption_Bind(l.vertex, l.coord);
        glPushMatrix();
        glTranslatef(0.0f, 0.0f, 1.5f);
        glDrawArrays(GL_QUADS, 0, 4);
        glGetError();
        glPopMatrix();
        glDisableClientState(GL_VERTEX_ARRAY);
        Caption_End();
    }

    static void Draw(const Raw_Button& b)
    {
        Lit_Begin();
        Mesh_Bind(b.vertex, b.normal, b.color);
        glDrawArrays(GL_QUADS, 0, b.vertices);
        glGetError();
        Lit_End();
        glPushMatrix();
        Caption_Begin(true);
        glColor3ub(0, 0, 0);
        glBindTexture(GL_TEXTURE_2D, b.texture);
        Caption_Bind(b.text_vertex, b.text_coord);
        glTranslatef(0.0f, 0.0f, 1.0f);
        glDrawArrays(GL_QUADS, 0, 4);
        glGetError();
        Caption_End();
        glPopMatrix();
        glPushMatrix();
        glPopMatrix();
        glDisableClientState(GL_VERTEX_ARRAY);
    }

    static void Body(const Raw_Slider& s, float d)
    {
        Lit_Begin();
        Mesh_Bind(s.vertex, s.normal, s.color);
        glDrawArrays(GL_QUADS, 0, s.vertices);
        glPushMatrix();
        glTranslatef(d, 0.0f, 0.0f);
        Mesh_Bind(s.cursor_vertex, s.cursor_normal, s.cursor_color);
        glDrawArrays(GL_QUADS, 0, s.cursor_vertices);
        glPopMatrix();
        Lit_End();
        Caption_Begin(false);
        glColor3ub(0, 0, 0);
        glBindTexture(GL_TEXTURE_2D, s.texture);
        Caption_Bind(s.text_vertex, s.text_coord);
        glPushMatrix();
        glTranslatef(0.0f, 0.0f, 1.0f);
        glDrawArrays(GL_QUADS, 0, 4);
    }

    static void Readout(const Raw_Slider& s, float d, float scale, float half_width)
    {
        Caption_Bind(s.value_vertex, s.value_coord);
        glTranslatef(s.readout_x, s.readout_y, 0.0f);
        glTranslatef(d, 0.0f, 0.0f);
        glScalef(scale, scale, 0.0f);
        glTranslatef(half_width, 0.0f, 0.0f);
        glDrawArrays(GL_QUADS, 0, 4);
        glPopMatrix();
        Caption_End();
        glDisableClientState(GL_VERTEX_ARRAY);
    }

    static void Draw(const Raw_Slider& s)
    {
        Body(s, s.d);
        glBindTexture(GL_TEXTURE_2D, s.value_texture);
        Readout(s, s.d, s.scale, s.half_width);
    }

    static void Draw_Dragged(Raw_Slider& s, const Drag_Step& d, bool first)
    {
        Body(s, d.d);
        if (first || d.changed) {
            glIsTexture(s.value_texture);
            glBindTexture(GL_TEXTURE_2D, s.value_texture);
            glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA8, d.tex_w, d.tex_h, 0, GL_ALPHA, GL_UNSIGNED_BYTE, d.bitmap.data());
            Upload(s.value_vertex, d.vertex, 24);
            Upload(s.value_coord, d.coord, 32);
        } else {
            glBindTexture(GL_TEXTURE_2D, s.value_texture);
        }
        Readout(s, d.d, d.scale, d.half_width);
    }

    Vrtools_Panel source_;
    std::vector<Raw_Label> labels_;
    std::vector<Raw_Button> buttons_;
    std::vector<Raw_Slider> sliders_;
    std::vector<Drag_Step> drag_;
    const Drag_Step* drag_step_ = nullptr;
    GLuint own_value_texture_ = 0;
    const std::vector<Row>* rows_ = nullptr;
    Captions captions_;
    bool captions_open_ = false;
    unsigned long checksum_ = 0;
};

}  // namespace

std::unique_ptr<Panel> Make_Raw()
{
    return std::make_unique<Raw>();
}

}  // namespace bench
