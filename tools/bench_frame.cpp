// bench_frame <worlds-folder> [--quick]
//
// Measures, in an offscreen 1024 x 768 Mesa context, what a frame costs
// against the bare OpenGL call stream it sends, for the full-detail and the
// ring terrain, and what start-up costs in time and memory, for every world
// folder named map<N> (N = map size) under <worlds-folder>. Each world is
// measured in child processes of its own, so memory peaks stay per world.
//
// The bare stream is the frame's exact sequence of OpenGL calls, with every
// value worked out beforehand: the loop that sends it reads each value from
// a table and does nothing but the calls, which makes it the limit of
// immediate mode on this driver. Before timing, both are checked to send the
// same stream.
//
// The children's entries: --frames <world> <pairs> <ring-pairs>,
// --startup <world>, --terrain-textures <world> and --grid <world>.
#include <EGL/egl.h>
#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/saved_viewpoint.h"
#include "app/screen_size.h"
#include "app/settings.h"
#include "app/start_position.h"
#include "camera/camera.h"
#include "camera/clock.h"
#include "camera/key_state.h"
#include "camera/mouse_look.h"
#include "platform/cursor.h"
#include "platform/gl_window_system.h"
#include "render/frame_renderer.h"
#include "render/gl_context.h"
#include "render/sky_box.h"
#include "terrain/terrain.h"
#include "terrain/draw_cell.h"
#include "terrain/terrain_renderer.h"
#include "tests/support/offscreen_gl.h"

namespace {

constexpr int Width = 1024;
constexpr int Height = 768;

using Clock = std::chrono::steady_clock;

double MillisSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Median(std::vector<double> v) {
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

// ------------------------------------------------ window-system stand-ins

// The offscreen context stays current whatever CGlContext asks; a frame's
// swap presents nothing.
char BenchHandles[2];
TDeviceContext* const BenchDc = reinterpret_cast<TDeviceContext*>(&BenchHandles[0]);
TRenderContext* const BenchRc = reinterpret_cast<TRenderContext*>(&BenchHandles[1]);
HDC BenchGetDC(HWND) { return BenchDc; }
int BenchReleaseDC(HWND, HDC) { return 1; }
int BenchChoosePixelFormat(HDC, const PIXELFORMATDESCRIPTOR*) { return 1; }
bool BenchSetPixelFormat(HDC, int, const PIXELFORMATDESCRIPTOR*) { return true; }
HGLRC BenchCreateContext(HDC) { return BenchRc; }
bool BenchMakeCurrent(HDC, HGLRC) { return true; }
bool BenchDeleteContext(HGLRC) { return true; }
bool BenchSwapBuffers(HDC) { return true; }
bool BenchHasCurrentContext() { return eglGetCurrentContext() != EGL_NO_CONTEXT; }
const GlWindowBackend BenchWindow = {BenchGetDC,         BenchReleaseDC,     BenchChoosePixelFormat,
                                     BenchSetPixelFormat, BenchCreateContext, BenchMakeCurrent,
                                     BenchDeleteContext,  BenchSwapBuffers,   BenchHasCurrentContext};

bool BenchGetCursor(TPoint* p) {
    p->x = ScreenWidth / 2;
    p->y = ScreenHeight / 2;
    return true;
}
bool BenchSetCursor(int32_t, int32_t) { return true; }
const CursorBackend BenchCursor = {BenchGetCursor, BenchSetCursor};

std::string ExecutablePath() {
    std::error_code error;
    return std::filesystem::read_symlink("/proc/self/exe", error).string();
}

long PeakResidentKb() {
    FILE* status = std::fopen("/proc/self/status", "r");
    if (!status) return -1;
    char line[256];
    long kb = -1;
    while (std::fgets(line, sizeof line, status)) {
        if (std::strncmp(line, "VmHWM:", 6) == 0) kb = std::strtol(line + 6, nullptr, 10);
    }
    std::fclose(status);
    return kb;
}

// ------------------------------------------------ start-up

struct StartupTimes {
    double Context = 0, Terrain = 0, Sky = 0, Rest = 0, FirstFrame = 0, Total = 0;
    long PeakBeforeFrameKb = 0;
};

// FormCreate's steps in its order, each timed, then the first paint. The
// offscreen context stands in for the window's; the cursor is a stand-in.
StartupTimes StartUp(std::unique_ptr<OffscreenGl>& gl) {
    StartupTimes t;
    const Clock::time_point start = Clock::now();
    ReadSettings(SettingsPath(ExecutablePath()));
    gl = std::make_unique<OffscreenGl>(Width, Height);
    if (!gl->Ok()) {
        std::fprintf(stderr, "bench_frame: no offscreen OpenGL context\n");
        std::exit(1);
    }
    GlContext.Create(nullptr);
    t.Context = MillisSince(start);

    Clock::time_point step = Clock::now();
    LoadTerrain("MAP\\map.bmp");
    t.Terrain = MillisSince(step);

    step = Clock::now();
    LoadSkyTextures();
    t.Sky = MillisSince(step);

    step = Clock::now();
    PlaceCameraAtStart();
    RestoreViewpoint();
    ClearKeyState();
    ScreenWidth = Width;
    ScreenHeight = Height;
    CenterCursor();
    LastTime = static_cast<float>(GetTimeSeconds());
    t.Rest = MillisSince(step);

    t.PeakBeforeFrameKb = PeakResidentKb();
    step = Clock::now();
    RenderFrame();
    glFinish();
    t.FirstFrame = MillisSince(step);
    t.Total = MillisSince(start);
    return t;
}

int RunStartup(const char* world) {
    if (chdir(world) != 0) {
        std::fprintf(stderr, "bench_frame: cannot enter %s\n", world);
        return 1;
    }
    std::unique_ptr<OffscreenGl> gl;
    const StartupTimes t = StartUp(gl);
    std::printf("result startup total=%.3f terrain=%.3f sky=%.3f context=%.3f rest=%.3f first_frame=%.3f "
                "peak_kb=%ld peak_before_frame_kb=%ld\n",
                t.Total, t.Terrain, t.Sky, t.Context, t.Rest, t.FirstFrame, PeakResidentKb(), t.PeakBeforeFrameKb);
    return 0;
}

// Makes the context as start-up does, in a fresh process.
bool MakeContext(std::unique_ptr<OffscreenGl>& gl) {
    ReadSettings(SettingsPath(ExecutablePath()));
    gl = std::make_unique<OffscreenGl>(Width, Height);
    if (!gl->Ok()) return false;
    GlContext.Create(nullptr);
    return true;
}

// LoadTerrain is the grid and then the four terrain textures; each share is
// timed on its own, as the first loads of a fresh process whose context has
// just been made. The textures: the same four loads.
int RunTerrainTextures(const char* world) {
    std::unique_ptr<OffscreenGl> gl;
    if (chdir(world) != 0 || !MakeContext(gl)) return 1;
    const Clock::time_point start = Clock::now();
    {
        CTexture textures[4];
        textures[0].Load("TEXTURES\\Floor\\mud.bmp", false, true);
        textures[1].Load("TEXTURES\\Floor\\rock.bmp", false, true);
        textures[2].Load("TEXTURES\\Floor\\stone.bmp", false, true);
        textures[3].Load("TEXTURES\\elka.bmp", true, true);
    }
    std::printf("result textures terrain_textures=%.3f\n", MillisSince(start));
    return 0;
}

// The grid: LoadTerrain in a folder that holds the heightmap alone, where
// each texture load finds no file and costs next to nothing.
int RunGrid(const char* world) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path map = fs::absolute(fs::path(world) / "MAP" / "map.bmp", error);
    const fs::path folder = fs::temp_directory_path(error) / ("bench_frame_grid_" + std::to_string(getpid()));
    fs::create_directories(folder / "MAP", error);
    fs::create_symlink(map, folder / "MAP" / "map.bmp", error);
    std::unique_ptr<OffscreenGl> gl;
    int status = 1;
    if (!error && chdir(folder.c_str()) == 0 && MakeContext(gl)) {
        const Clock::time_point start = Clock::now();
        LoadTerrain("MAP\\map.bmp");
        const double grid = MillisSince(start);
        if (Terrain.Rows > 0) {
            std::printf("result grid grid=%.3f\n", grid);
            status = 0;
        }
    }
    fs::remove_all(folder, error);
    return status;
}

// ------------------------------------------------ the bare call stream

struct LodVertex {
    float A, S, T, X, Y, Z;
};

// Everything the frame sends, as values.
struct BareFrame {
    GLint ViewportWidth = 0, ViewportHeight = 0;
    double Frustum[6] = {};
    double SkyLookAt[9] = {};
    double EyeLookAt[9] = {};
    GLuint SkyNames[5] = {};
    float SkyS[4] = {}, SkyT[4] = {};
    float SkyXyz[5][4][3] = {};
    GLuint GroundNames[3] = {};
    bool HaveGround = false;
    GLuint TreeName = 0;
    int Passes = 0;  // the depth pass and one per material
    // Full detail, as tables of the values the vertices take: by column,
    // by row and by grid point. A flat array of every vertex would stream
    // gigabytes through memory on the large maps (at 2048 x 2048 it made
    // the bare loop slower than the renderer); these fit the caches as
    // well as the grid itself does.
    int32_t Rows = 0, Columns = 0;      // grid points; no cells below 2 x 2
    std::vector<float> S0, S1, X0, X1;  // by column: texture s and x of a cell's low and high edge
    std::vector<float> T0, T1, Z0, Z1;  // by row: texture t and z
    std::vector<float> H;               // by grid point: height
    std::vector<std::vector<float>> Alpha;  // by pass, then grid point
    size_t TreeCount = 0;
    bool TreeEverywhere = false;             // then the lists below are empty
    std::vector<int32_t> TreeRow, TreeColumn;
    std::vector<float> XMinus, XPlus;   // by column, six quads: x -+ the quad's half-width
    std::vector<float> ZMinus, ZPlus;   // by row, six quads
    std::vector<float> Top, Bottom;     // by grid point: the trees' top and bottom

    // Rings: the vertices of every block drawn, and where each block ends.
    std::vector<LodVertex> Lod;
    std::vector<size_t> LodBlockEnds;

    size_t CellCount() const {
        return Rows < 2 || Columns < 2 ? 0 : static_cast<size_t>(Rows - 1) * static_cast<size_t>(Columns - 1);
    }
    size_t FullVertices() const { return 20 + 6 * CellCount() * Passes + 24 * TreeCount; }
    size_t LodVertices() const { return 20 + Lod.size(); }
};

void LookAtValues(const CVector3& eye, const CVector3& dir, const CVector3& up, double out[9]) {
    const double ex = eye.x, ey = eye.y, ez = eye.z;
    out[0] = ex;
    out[1] = ey;
    out[2] = ez;
    out[3] = ex + static_cast<double>(dir.x);
    out[4] = ey + static_cast<double>(dir.y);
    out[5] = ez + static_cast<double>(dir.z);
    out[6] = up.x;
    out[7] = up.y;
    out[8] = up.z;
}

void BuildFullDetail(BareFrame& f) {
    f.Passes = Terrain.MaterialCount + 1;
    const int32_t rows = Terrain.Rows, columns = Terrain.Columns;
    if (!Cells || rows < 2 || columns < 2) return;
    f.Rows = rows;
    f.Columns = columns;
    const float cellSize = Terrain.CellSize, texStep = Terrain.TexStep;
    const float d = ScaledIndex(1, cellSize), ds = ScaledIndex(1, texStep);
    for (int32_t c = 0; c + 1 < columns; ++c) {
        f.X0.push_back(ScaledIndex(c, cellSize));
        f.X1.push_back(ScaledIndex(c, cellSize) + d);
        f.S0.push_back(ScaledIndex(c, texStep));
        f.S1.push_back(ScaledIndex(c, texStep) + ds);
    }
    for (int32_t r = 0; r + 1 < rows; ++r) {
        f.Z0.push_back(ScaledIndex(r, cellSize));
        f.Z1.push_back(ScaledIndex(r, cellSize) + d);
        f.T0.push_back(ScaledIndex(r, texStep));
        f.T1.push_back(ScaledIndex(r, texStep) + ds);
    }
    const size_t points = static_cast<size_t>(rows) * static_cast<size_t>(columns);
    f.H.resize(points);
    f.Top.resize(points);
    f.Bottom.resize(points);
    f.Alpha.assign(static_cast<size_t>(f.Passes), std::vector<float>(points));
    for (size_t i = 0; i < points; ++i) {
        const TerrainCell& cell = Cells[i];
        f.H[i] = cell.Height;
        for (int pass = -1; pass < Terrain.MaterialCount; ++pass)
            f.Alpha[static_cast<size_t>(pass + 1)][i] = pass == -1 || cell.Material == pass ? 1.0f : 0.0f;
        f.Top[i] = static_cast<float>(static_cast<double>(cell.Height) + 7.0f - 0.1f);
        f.Bottom[i] = static_cast<float>(static_cast<double>(cell.Height) - 0.1f);
    }

    float dx[6], dz[6];
    for (int k = 0; k < 6; ++k) {
        const float angle = static_cast<float>(k * 6.283185307179586 / 6);
        dx[k] = static_cast<float>(2.0f * std::cos(static_cast<double>(angle)));
        dz[k] = static_cast<float>(2.0f * std::sin(static_cast<double>(angle)));
    }
    for (int32_t c = 0; c + 1 < columns; ++c) {
        for (int k = 0; k < 6; ++k) {
            f.XMinus.push_back(f.X0[static_cast<size_t>(c)] - dx[k]);
            f.XPlus.push_back(f.X0[static_cast<size_t>(c)] + dx[k]);
        }
    }
    for (int32_t r = 0; r + 1 < rows; ++r) {
        for (int k = 0; k < 6; ++k) {
            f.ZMinus.push_back(f.Z0[static_cast<size_t>(r)] - dz[k]);
            f.ZPlus.push_back(f.Z0[static_cast<size_t>(r)] + dz[k]);
        }
    }
    f.TreeCount = 0;
    for (int32_t r = 0; r + 1 < rows; ++r) {
        for (int32_t c = 0; c + 1 < columns; ++c) {
            if (Cells[static_cast<size_t>(r) * static_cast<size_t>(columns) + static_cast<size_t>(c)].HasTree == 0)
                continue;
            f.TreeRow.push_back(r);
            f.TreeColumn.push_back(c);
            ++f.TreeCount;
        }
    }
    // The loader plants a tree on every grid point; then the loop needs no list.
    if (f.TreeCount == f.CellCount()) {
        f.TreeRow.clear();
        f.TreeColumn.clear();
        f.TreeEverywhere = true;
    }
}

bool AddLodBlock(BareFrame& f, int64_t row0, int64_t col0, int64_t rowCount, int64_t colCount, int64_t step) {
    if (!Cells || row0 < 0 || col0 < 0 || row0 + rowCount * step >= Terrain.Rows ||
        col0 + colCount * step >= Terrain.Columns) {
        return false;
    }
    const int32_t s = static_cast<int32_t>(step);
    for (int64_t i = 0; i < colCount; ++i) {
        const int32_t c = static_cast<int32_t>(col0 + i * step);
        for (int64_t j = 0; j < rowCount; ++j) {
            DrawCell(static_cast<int32_t>(row0 + j * step), c, s, Terrain.TexStep,
                     [&](float a, float ts, float tt, float x, float y, float z) {
                         f.Lod.push_back({a, ts, tt, x, y, z});
                     });
        }
    }
    f.LodBlockEnds.push_back(f.Lod.size());
    return true;
}

// The ring stream depends on CurrentPass, so it is built after the
// full-detail frame that the measurements start with.
void BuildLod(BareFrame& f) {
    f.Lod.clear();
    f.LodBlockEnds.clear();
    const int64_t b = static_cast<int64_t>(static_cast<double>(Camera.Position.x) / Terrain.CellSize);
    const int64_t d = static_cast<int64_t>(static_cast<double>(Camera.Position.z) / Terrain.CellSize);
    AddLodBlock(f, d - 5, b - 5, 10, 10, 1);
    for (int64_t e = 1;; e *= 2) {
        if (!AddLodBlock(f, d - 10 * e, b - 10 * e, 5, 20, e)) break;
        if (!AddLodBlock(f, d + 5 * e, b - 10 * e, 5, 20, e)) break;
        if (!AddLodBlock(f, d - 5 * e, b - 10 * e, 10, 5, e)) break;
        if (!AddLodBlock(f, d - 5 * e, b + 5 * e, 10, 5, e)) break;
    }
}

BareFrame BuildBareFrame() {
    if (Settings.Fog != 0 || Settings.Stereo != 0 || Settings.Wireframe != 0) {
        std::fprintf(stderr, "bench_frame: the bare stream is that of a frame without fog, stereo or wireframe\n");
        std::exit(1);
    }
    BareFrame f;
    f.ViewportWidth = ScreenWidth;
    f.ViewportHeight = ScreenHeight;
    const float nearPlane = 0.25f;
    const float farPlane = GetTerrainSize();
    const float halfWidth = static_cast<float>(nearPlane * std::tan(Settings.Fov * 3.141592653589793 / 360.0));
    const float halfHeight =
        static_cast<float>(static_cast<double>(ScreenHeight) * halfWidth / static_cast<double>(ScreenWidth));
    const double frustum[6] = {-halfWidth, halfWidth, -halfHeight, halfHeight, nearPlane, farPlane};
    std::copy(frustum, frustum + 6, f.Frustum);
    LookAtValues(CVector3(), Camera.Direction, Camera.Up, f.SkyLookAt);
    LookAtValues(Camera.Position, Camera.Direction, Camera.Up, f.EyeLookAt);
    for (int i = 0; i < 5; ++i) f.SkyNames[i] = SkyTextures[i].TextureName;
    const float low = 0.003f, high = 1.0f - 0.003f;
    const float s[4] = {low, high, high, low}, t[4] = {low, low, high, high};
    std::copy(s, s + 4, f.SkyS);
    std::copy(t, t + 4, f.SkyT);
    const float sky[5][4][3] = {
        {{1, 1, 1}, {-1, 1, 1}, {-1, -1, 1}, {1, -1, 1}},     {{1, 1, -1}, {1, 1, 1}, {1, -1, 1}, {1, -1, -1}},
        {{-1, 1, -1}, {1, 1, -1}, {1, -1, -1}, {-1, -1, -1}}, {{-1, 1, 1}, {-1, 1, -1}, {-1, -1, -1}, {-1, -1, 1}},
        {{-1, 1, -1}, {-1, 1, 1}, {1, 1, 1}, {1, 1, -1}},
    };
    std::memcpy(f.SkyXyz, sky, sizeof sky);
    f.HaveGround = Terrain.GroundTextures != nullptr;
    for (int i = 0; i < 3 && f.HaveGround; ++i) f.GroundNames[i] = Terrain.GroundTextures[i].TextureName;
    f.TreeName = TreeTexture.TextureName;
    BuildFullDetail(f);
    return f;
}

// From here on only OpenGL calls with values read from the arrays.

void BareSky(const BareFrame& f) {
    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_DECAL);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, static_cast<GLfloat>(GL_CLAMP));
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, static_cast<GLfloat>(GL_CLAMP));
    const double* l = f.SkyLookAt;
    glLoadIdentity();
    gluLookAt(l[0], l[1], l[2], l[3], l[4], l[5], l[6], l[7], l[8]);
    for (int face = 0; face < 5; ++face) {
        glBindTexture(GL_TEXTURE_2D, f.SkyNames[face]);
        glBegin(GL_QUADS);
        for (int v = 0; v < 4; ++v) {
            glTexCoord2f(f.SkyS[v], f.SkyT[v]);
            glVertex3f(f.SkyXyz[face][v][0], f.SkyXyz[face][v][1], f.SkyXyz[face][v][2]);
        }
        glEnd();
    }
}

void BareFrameStart(const BareFrame& f) {
    glViewport(0, 0, f.ViewportWidth, f.ViewportHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(f.Frustum[0], f.Frustum[1], f.Frustum[2], f.Frustum[3], f.Frustum[4], f.Frustum[5]);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glEnable(GL_TEXTURE_2D);
    glMatrixMode(GL_MODELVIEW);
    BareSky(f);
    const double* l = f.EyeLookAt;
    glLoadIdentity();
    gluLookAt(l[0], l[1], l[2], l[3], l[4], l[5], l[6], l[7], l[8]);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glDepthMask(GL_TRUE);
    glClear(GL_DEPTH_BUFFER_BIT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
}

void BareFull(const BareFrame& f) {
    BareFrameStart(f);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_DECAL);
    const size_t columns = static_cast<size_t>(f.Columns);
    const size_t cellRows = f.Rows > 1 ? static_cast<size_t>(f.Rows - 1) : 0;
    const size_t cellColumns = f.Columns > 1 ? columns - 1 : 0;
    for (int pass = 0; pass < f.Passes; ++pass) {
        if (pass == 0) {
            glDepthMask(GL_TRUE);
            glDisable(GL_BLEND);
            glDisable(GL_TEXTURE_2D);
        } else {
            glDepthMask(GL_FALSE);
            glEnable(GL_BLEND);
            glBlendFunc(GL_SRC_ALPHA, GL_DST_ALPHA);
            glEnable(GL_TEXTURE_2D);
            if (f.HaveGround) glBindTexture(GL_TEXTURE_2D, f.GroundNames[pass - 1]);
        }
        glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, static_cast<GLfloat>(GL_REPEAT));
        glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, static_cast<GLfloat>(GL_REPEAT));
        glBegin(GL_TRIANGLES);
        for (size_t r = 0; r < cellRows; ++r) {
            const float* h0 = f.H.data() + r * columns;
            const float* h1 = h0 + columns;
            const float* a0 = f.Alpha[static_cast<size_t>(pass)].data() + r * columns;
            const float* a1 = a0 + columns;
            const float t0 = f.T0[r], t1 = f.T1[r], z0 = f.Z0[r], z1 = f.Z1[r];
            for (size_t c = 0; c < cellColumns; ++c) {
                const float s0 = f.S0[c], s1 = f.S1[c], x0 = f.X0[c], x1 = f.X1[c];
                glColor4f(0.0f, 0.0f, 0.0f, a0[c]);
                glTexCoord2f(s0, t0);
                glVertex3f(x0, h0[c], z0);
                glColor4f(0.0f, 0.0f, 0.0f, a0[c + 1]);
                glTexCoord2f(s1, t0);
                glVertex3f(x1, h0[c + 1], z0);
                glColor4f(0.0f, 0.0f, 0.0f, a1[c + 1]);
                glTexCoord2f(s1, t1);
                glVertex3f(x1, h1[c + 1], z1);
                glColor4f(0.0f, 0.0f, 0.0f, a0[c]);
                glTexCoord2f(s0, t0);
                glVertex3f(x0, h0[c], z0);
                glColor4f(0.0f, 0.0f, 0.0f, a1[c]);
                glTexCoord2f(s0, t1);
                glVertex3f(x0, h1[c], z1);
                glColor4f(0.0f, 0.0f, 0.0f, a1[c + 1]);
                glTexCoord2f(s1, t1);
                glVertex3f(x1, h1[c + 1], z1);
            }
        }
        glEnd();
    }
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, f.TreeName);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glBegin(GL_QUADS);
    const auto tree = [&](size_t r, size_t c) {
        const float top = f.Top[r * columns + c], bottom = f.Bottom[r * columns + c];
        const float* xm = &f.XMinus[c * 6];
        const float* xp = &f.XPlus[c * 6];
        const float* zm = &f.ZMinus[r * 6];
        const float* zp = &f.ZPlus[r * 6];
        for (int k = 0; k < 6; ++k) {
            glTexCoord2f(0.0f, 0.0f);
            glVertex3f(xm[k], top, zm[k]);
            glTexCoord2f(1.0f, 0.0f);
            glVertex3f(xp[k], top, zp[k]);
            glTexCoord2f(1.0f, 1.0f);
            glVertex3f(xp[k], bottom, zp[k]);
            glTexCoord2f(0.0f, 1.0f);
            glVertex3f(xm[k], bottom, zm[k]);
        }
    };
    if (f.TreeEverywhere) {
        for (size_t r = 0; r < cellRows; ++r)
            for (size_t c = 0; c < cellColumns; ++c) tree(r, c);
    } else {
        for (size_t i = 0; i < f.TreeRow.size(); ++i)
            tree(static_cast<size_t>(f.TreeRow[i]), static_cast<size_t>(f.TreeColumn[i]));
    }
    glEnd();
    glDisable(GL_BLEND);
    glDisable(GL_FOG);
}

void BareLod(const BareFrame& f) {
    BareFrameStart(f);
    const LodVertex* v = f.Lod.data();
    size_t i = 0;
    for (const size_t end : f.LodBlockEnds) {
        glBegin(GL_TRIANGLES);
        for (; i < end; ++i) {
            glColor4f(0.0f, 0.0f, 0.0f, v[i].A);
            glTexCoord2f(v[i].S, v[i].T);
            glVertex3f(v[i].X, v[i].Y, v[i].Z);
        }
        glEnd();
    }
    glDisable(GL_FOG);
}

void Frame(bool lod) {
    Settings.Lod = lod ? 1 : 0;
    RenderFrame();
}

// ------------------------------------------------ the debug check

struct StatsQuery {
    PFNGLGENQUERIESPROC Gen = nullptr;
    PFNGLBEGINQUERYPROC Begin = nullptr;
    PFNGLENDQUERYPROC End = nullptr;
    PFNGLGETQUERYOBJECTUIVPROC Get = nullptr;
    GLuint Names[3] = {};
    bool Ok = false;
    StatsQuery() {
        const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
        if (!extensions || !std::strstr(extensions, "GL_ARB_pipeline_statistics_query")) return;
        Gen = reinterpret_cast<PFNGLGENQUERIESPROC>(eglGetProcAddress("glGenQueries"));
        Begin = reinterpret_cast<PFNGLBEGINQUERYPROC>(eglGetProcAddress("glBeginQuery"));
        End = reinterpret_cast<PFNGLENDQUERYPROC>(eglGetProcAddress("glEndQuery"));
        Get = reinterpret_cast<PFNGLGETQUERYOBJECTUIVPROC>(eglGetProcAddress("glGetQueryObjectuiv"));
        if (!Gen || !Begin || !End || !Get) return;
        Gen(3, Names);
        Ok = true;
    }
    struct Counts {
        GLuint Vertices = 0;   // reaching the pipeline
        GLuint Fragments = 0;  // passing the depth test (all of them where it is off)
        GLuint Shaded = 0;     // rasterised and shaded, hidden ones included
    };
    // What draw sent and drew; zeros without counters.
    Counts Count(void (*draw)(const BareFrame&), const BareFrame& f) const {
        Counts n;
        if (!Ok) {
            draw(f);
            return n;
        }
        Begin(GL_VERTICES_SUBMITTED_ARB, Names[0]);
        Begin(GL_SAMPLES_PASSED, Names[1]);
        Begin(GL_FRAGMENT_SHADER_INVOCATIONS_ARB, Names[2]);
        draw(f);
        End(GL_FRAGMENT_SHADER_INVOCATIONS_ARB);
        End(GL_SAMPLES_PASSED);
        End(GL_VERTICES_SUBMITTED_ARB);
        Get(Names[0], GL_QUERY_RESULT, &n.Vertices);
        Get(Names[1], GL_QUERY_RESULT, &n.Fragments);
        Get(Names[2], GL_QUERY_RESULT, &n.Shaded);
        return n;
    }
};

std::vector<uint8_t> ReadFrame(OffscreenGl& gl) {
    glFinish();
    return gl.Pixels();
}

struct PictureDifference {
    size_t Bytes = 0;
    int MaxLevels = 0;
};

PictureDifference Compare(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    PictureDifference d;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
        const int levels = std::abs(int{a[i]} - int{b[i]});
        if (levels != 0) ++d.Bytes;
        d.MaxLevels = std::max(d.MaxLevels, levels);
    }
    if (a.size() != b.size()) d.MaxLevels = 256;
    return d;
}

void ClearAll() {
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDepthMask(GL_TRUE);
    glClearColor(0.5f, 0.25f, 0.75f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

std::vector<GLfloat> Feedback(void (*draw)(const BareFrame&), const BareFrame& f, size_t floats) {
    for (;;) {
        std::vector<GLfloat> buffer(floats);
        glFeedbackBuffer(static_cast<GLsizei>(floats), GL_3D_COLOR_TEXTURE, buffer.data());
        glRenderMode(GL_FEEDBACK);
        draw(f);
        const GLint count = glRenderMode(GL_RENDER);
        if (count >= 0) {
            buffer.resize(static_cast<size_t>(count));
            return buffer;
        }
        floats *= 2;
    }
}

void FrameFull(const BareFrame&) { Frame(false); }
void FrameLod(const BareFrame&) { Frame(true); }

// Both loops must send the same stream: the same number of vertices, the
// same feedback (every vertex's position, colour and texture coordinate as
// the pipeline saw it), and the same picture.
bool CheckStreams(OffscreenGl& gl, const BareFrame& f, bool feedback, StatsQuery::Counts counts[2]) {
    bool ok = true;
    const StatsQuery stats;
    struct Pair {
        const char* Name;
        void (*Frame)(const BareFrame&);
        void (*Bare)(const BareFrame&);
        size_t Expected;
    };
    const Pair pairs[] = {{"full detail", FrameFull, BareFull, f.FullVertices()},
                          {"ring", FrameLod, BareLod, f.LodVertices()}};
    for (const Pair& p : pairs) {
        // The frame first, so that the bare loop starts from the state a
        // frame of this kind leaves, as the frames after it do.
        const StatsQuery::Counts frameCounts = stats.Count(p.Frame, f);
        ClearAll();
        const StatsQuery::Counts bareCounts = stats.Count(p.Bare, f);
        const std::vector<uint8_t> bareImage = ReadFrame(gl);
        counts[&p - pairs] = frameCounts;
        if (stats.Ok) {
            std::fprintf(stderr,
                         "  check %s: %u vertices from the frame, %u from the bare loop, %zu expected; %u and %u "
                         "fragments drawn, %u and %u shaded\n",
                         p.Name, frameCounts.Vertices, bareCounts.Vertices, p.Expected, frameCounts.Fragments,
                         bareCounts.Fragments, frameCounts.Shaded, bareCounts.Shaded);
            ok = ok && frameCounts.Vertices == bareCounts.Vertices && bareCounts.Vertices == p.Expected;
        } else {
            std::fprintf(stderr, "  check %s: no vertex counter in this driver\n", p.Name);
        }
        ClearAll();
        p.Frame(f);
        const std::vector<uint8_t> frameImage = ReadFrame(gl);
        ClearAll();
        p.Frame(f);
        const std::vector<uint8_t> again = ReadFrame(gl);
        const PictureDifference stream = Compare(frameImage, bareImage);
        const PictureDifference jitter = Compare(frameImage, again);
        // Mesa itself is off by a level or two here and there between two
        // draws of the same frame (near the horizon, where triangles are
        // smaller than a pixel); a different stream shows far more than that.
        const bool same = stream.MaxLevels <= jitter.MaxLevels + 2 &&
                          stream.Bytes <= 2 * jitter.Bytes + frameImage.size() / 10000;
        std::fprintf(stderr,
                     "  check %s: pictures %s (%zu bytes differ, by up to %d; the frame against itself: %zu, by up to "
                     "%d)\n",
                     p.Name, same ? "agree" : "DIFFER", stream.Bytes, stream.MaxLevels, jitter.Bytes, jitter.MaxLevels);
        ok = ok && same;
        if (feedback) {
            const size_t start = std::min<size_t>(size_t{1} << 26, 64 + 40 * p.Expected);
            const std::vector<GLfloat> a = Feedback(p.Frame, f, start);
            const std::vector<GLfloat> b = Feedback(p.Bare, f, start);
            const bool sameFeedback =
                a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(GLfloat)) == 0;
            std::fprintf(stderr, "  check %s: feedback %zu floats, %s\n", p.Name, a.size(),
                         sameFeedback ? "identical" : "DIFFERS");
            ok = ok && sameFeedback;
        }
    }
    return ok;
}

// ------------------------------------------------ timing

// Wall-clock time, and the processor time of all the process's threads
// (the caller's and the rasteriser's), which other work on a busy machine
// inflates far less.
struct Samples {
    std::vector<double> Frame, Bare, FrameCpu, BareCpu;
};

double CpuMillis() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) * 1e-6;
}

template <typename Body>
void Timed(Body&& body, std::vector<double>& wall, std::vector<double>& cpu) {
    const double cpuStart = CpuMillis();
    const Clock::time_point start = Clock::now();
    body();
    glFinish();
    wall.push_back(MillisSince(start));
    cpu.push_back(CpuMillis() - cpuStart);
}

// Frame and bare loop alternate, so slow drift on a busy machine falls on
// both alike.
Samples Measure(bool lod, const BareFrame& f, int reps) {
    Samples s, warmUp;
    const auto frame = [&] { Frame(lod); };
    const auto bare = [&] { lod ? BareLod(f) : BareFull(f); };
    Timed(frame, warmUp.Frame, warmUp.FrameCpu);
    Timed(bare, warmUp.Bare, warmUp.BareCpu);
    for (int i = 0; i < reps; ++i) {
        Timed(frame, s.Frame, s.FrameCpu);
        Timed(bare, s.Bare, s.BareCpu);
    }
    return s;
}

// Medians, and the spread of the paired ratios frame / bare: the range
// holding the middle half of the pairs.
void PrintSamples(const char* key, const Samples& s) {
    const auto quartiles = [](const std::vector<double>& a, const std::vector<double>& b) {
        std::vector<double> ratio;
        for (size_t i = 0; i < a.size(); ++i) ratio.push_back(a[i] / b[i]);
        std::sort(ratio.begin(), ratio.end());
        return std::pair<double, double>(ratio[ratio.size() / 4], ratio[(3 * ratio.size()) / 4]);
    };
    const auto [q1, q3] = quartiles(s.Frame, s.Bare);
    const auto [cq1, cq3] = quartiles(s.FrameCpu, s.BareCpu);
    const auto [fmin, fmax] = std::minmax_element(s.Frame.begin(), s.Frame.end());
    std::printf(" %s_ms=%.4f %s_bare_ms=%.4f %s_cpu_ms=%.4f %s_bare_cpu_ms=%.4f %s_ratio_q1=%.4f %s_ratio_q3=%.4f "
                "%s_cpu_ratio_q1=%.4f %s_cpu_ratio_q3=%.4f %s_min_ms=%.4f %s_max_ms=%.4f",
                key, Median(s.Frame), key, Median(s.Bare), key, Median(s.FrameCpu), key, Median(s.BareCpu), key, q1,
                key, q3, key, cq1, key, cq3, key, *fmin, key, *fmax);
}

int RunFrames(const char* world, int reps, int lodReps) {
    if (chdir(world) != 0) {
        std::fprintf(stderr, "bench_frame: cannot enter %s\n", world);
        return 1;
    }
    SetGlWindowBackend(&BenchWindow);
    SetCursorBackend(&BenchCursor);
    std::unique_ptr<OffscreenGl> gl;
    StartUp(gl);  // includes one full-detail frame, so CurrentPass is settled

    BareFrame f = BuildBareFrame();
    BuildLod(f);
    const bool feedback = Terrain.Rows <= 256 && Terrain.Columns <= 256;
    StatsQuery::Counts counts[2];
    if (!CheckStreams(*gl, f, feedback, counts)) {
        std::fprintf(stderr, "bench_frame: the frame and the bare loop send different streams\n");
        return 1;
    }

    const Samples full = Measure(false, f, reps);
    const Samples ring = Measure(true, f, lodReps);
    const size_t cells = static_cast<size_t>(std::max(0, Terrain.Rows - 1)) * std::max(0, Terrain.Columns - 1);
    std::printf("result frames rows=%d columns=%d full_vertices=%zu full_triangles=%zu ring_vertices=%zu "
                "ring_triangles=%zu reps=%d ring_reps=%d full_fragments=%u ring_fragments=%u full_shaded=%u ring_shaded=%u",
                Terrain.Rows, Terrain.Columns, f.FullVertices(), 2 * cells * f.Passes + 12 * f.TreeCount + 10,
                f.LodVertices(), f.Lod.size() / 3 + 10, reps, lodReps, counts[0].Fragments, counts[1].Fragments,
                counts[0].Shaded, counts[1].Shaded);
    PrintSamples("full", full);
    PrintSamples("ring", ring);
    std::printf("\n");
    return 0;
}

// ------------------------------------------------ the driver

using Fields = std::map<std::string, double>;

// Runs this program with args and returns the fields of its "result" line.
bool RunChild(const std::vector<std::string>& args, Fields& fields) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return false;
    const std::string self = ExecutablePath();
    const pid_t pid = fork();
    if (pid < 0) return false;
    if (pid == 0) {
        dup2(pipeEnds[1], 1);
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(self.c_str()));
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(self.c_str(), argv.data());
        _exit(127);
    }
    close(pipeEnds[1]);
    std::string output;
    char chunk[4096];
    ssize_t got;
    while ((got = read(pipeEnds[0], chunk, sizeof chunk)) > 0) output.append(chunk, static_cast<size_t>(got));
    close(pipeEnds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return false;
    const size_t at = output.find("result ");
    if (at == std::string::npos) return false;
    const std::string line = output.substr(at, output.find('\n', at) - at);
    size_t pos = 0;
    while ((pos = line.find('=', pos)) != std::string::npos) {
        const size_t keyStart = line.rfind(' ', pos) + 1;
        fields[line.substr(keyStart, pos - keyStart)] = std::strtod(line.c_str() + pos + 1, nullptr);
        ++pos;
    }
    return true;
}

struct WorldResult {
    int Size = 0;
    Fields Frames;
    Fields Startup;  // medians over the runs
    std::vector<double> StartupTotals;
};

struct Plan {
    int Size, Reps, RingReps, StartupRuns;
};

int RunAll(const std::string& worlds, bool quick) {
    const std::vector<Plan> plans = {
        {64, 41, 101, 7},  {128, 31, 101, 7}, {256, 21, 101, 7},
        {512, 15, 101, 5}, {1024, 7, 101, 3}, {2048, 3, 101, 3},
    };
    std::vector<WorldResult> results;
    for (Plan plan : plans) {
        const std::string world = worlds + "/map" + std::to_string(plan.Size);
        if (!std::filesystem::exists(world + "/MAP/map.bmp")) {
            std::fprintf(stderr, "bench_frame: no world %s (make bench makes it)\n", world.c_str());
            return 1;
        }
        if (quick) {
            plan.Reps = std::min(plan.Reps, 3);
            plan.RingReps = std::min(plan.RingReps, 5);
            plan.StartupRuns = std::min(plan.StartupRuns, 3);
        }
        WorldResult r;
        r.Size = plan.Size;
        std::fprintf(stderr, "map %d x %d: start-up, %d runs\n", plan.Size, plan.Size, plan.StartupRuns);
        std::map<std::string, std::vector<double>> startup;
        for (int i = 0; i < plan.StartupRuns; ++i) {
            Fields fields;
            if (!RunChild({"--startup", world}, fields) || !RunChild({"--terrain-textures", world}, fields) ||
                !RunChild({"--grid", world}, fields)) {
                std::fprintf(stderr, "bench_frame: start-up run on %s failed\n", world.c_str());
                return 1;
            }
            for (const auto& [key, value] : fields) startup[key].push_back(value);
        }
        for (const auto& [key, values] : startup) r.Startup[key] = Median(values);
        r.Startup["textures"] = r.Startup["terrain_textures"] + r.Startup["sky"];
        r.StartupTotals = startup["total"];
        std::fprintf(stderr, "map %d x %d: frames, %d + %d pairs\n", plan.Size, plan.Size, plan.Reps, plan.RingReps);
        if (!RunChild({"--frames", world, std::to_string(plan.Reps), std::to_string(plan.RingReps)}, r.Frames)) {
            std::fprintf(stderr, "bench_frame: frame run on %s failed\n", world.c_str());
            return 1;
        }
        results.push_back(r);
    }

    std::string renderer = "OpenGL";
    {
        const OffscreenGl probe(16, 16);
        const char* name = probe.Ok() ? reinterpret_cast<const char*>(glGetString(GL_RENDERER)) : nullptr;
        const char* version = probe.Ok() ? reinterpret_cast<const char*>(glGetString(GL_VERSION)) : nullptr;
        if (name && version) renderer = std::string(name) + ", OpenGL " + version;
    }
    std::printf("Offscreen %dx%d; %s.\nMedians; each frame timed against the bare call stream right after it.\n",
                Width, Height, renderer.c_str());
    std::printf("Overhead = frame / bare stream, by wall-clock time and by processor time of all threads.\n\n");
    std::printf("| map | full-detail triangles | full frame ms | bare stream ms | overhead | overhead, CPU | "
                "ring triangles | ring fragments | ring frame ms | ring bare ms | ring overhead | ring overhead, CPU | ring / full |\n");
    std::printf("|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    for (const WorldResult& r : results) {
        const Fields& f = r.Frames;
        std::printf("| %d²%s | %.0f | %.1f | %.1f | %.3f | %.3f | %.0f | %.0f | %.2f | %.2f | %.3f | %.3f | %.4f |\n",
                    r.Size, r.Size == 256 ? " (default)" : "", f.at("full_triangles"), f.at("full_ms"),
                    f.at("full_bare_ms"), f.at("full_ms") / f.at("full_bare_ms"),
                    f.at("full_cpu_ms") / f.at("full_bare_cpu_ms"), f.at("ring_triangles"), f.at("ring_fragments"),
                    f.at("ring_ms"), f.at("ring_bare_ms"), f.at("ring_ms") / f.at("ring_bare_ms"),
                    f.at("ring_cpu_ms") / f.at("ring_bare_cpu_ms"), f.at("ring_ms") / f.at("full_ms"));
    }
    std::printf("\nStart-up, from the settings read to the end of the first frame (a full-detail one), each run a "
                "process of its own:\n\n");
    std::printf("| map | start-up ms | LoadTerrain ms | grid ms | textures ms | rest ms | of it: first frame ms | "
                "context ms | peak memory MiB | of it before the first frame MiB |\n");
    std::printf("|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    for (const WorldResult& r : results) {
        const Fields& s = r.Startup;
        std::printf("| %d² | %.0f | %.1f | %.2f | %.1f | %.0f | %.0f | %.0f | %.0f | %.0f |\n", r.Size, s.at("total"),
                    s.at("terrain"), s.at("grid"), s.at("textures"), s.at("context") + s.at("first_frame") + s.at("rest"),
                    s.at("first_frame"), s.at("context"), s.at("peak_kb") / 1024.0, s.at("peak_before_frame_kb") / 1024.0);
    }
    std::printf("\nThe grid (LoadTerrain with the heightmap alone) and the ground and tree textures are timed in "
                "processes of their own; textures include the five sky faces; rest is the context, the first frame "
                "and FormCreate's other steps.\n");
    std::printf("\nGrowth: each size against the one before it (4x the grid points):\n\n");
    std::printf("| map | full ns / triangle | full frame x | full frame CPU x | ring frame x | ring ns / fragment | "
                "start-up x | grid ns / point | start-up slope ms / Mpoint | peak memory slope bytes / point |\n");
    std::printf("|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    for (size_t i = 0; i < results.size(); ++i) {
        const WorldResult& r = results[i];
        const double points = static_cast<double>(r.Size) * r.Size;
        const double nsPerTriangle = r.Frames.at("full_ms") * 1e6 / r.Frames.at("full_triangles");
        const double gridNs = r.Startup.at("grid") * 1e6 / points;
        const double ringNsPerFragment = r.Frames.at("ring_ms") * 1e6 / std::max(1.0, r.Frames.at("ring_fragments"));
        if (i == 0) {
            std::printf("| %d² | %.1f | | | | %.2f | | %.1f | | |\n", r.Size, nsPerTriangle, ringNsPerFragment, gridNs);
            continue;
        }
        const WorldResult& p = results[i - 1];
        const double added = points - static_cast<double>(p.Size) * p.Size;
        std::printf("| %d² | %.1f | %.2f | %.2f | %.2f | %.2f | %.2f | %.1f | %.0f | %.1f |\n", r.Size, nsPerTriangle,
                    r.Frames.at("full_ms") / p.Frames.at("full_ms"),
                    r.Frames.at("full_cpu_ms") / p.Frames.at("full_cpu_ms"), r.Frames.at("ring_ms") / p.Frames.at("ring_ms"),
                    ringNsPerFragment, r.Startup.at("total") / p.Startup.at("total"), gridNs,
                    (r.Startup.at("total") - p.Startup.at("total")) * 1e6 / added,
                    (r.Startup.at("peak_kb") - p.Startup.at("peak_kb")) * 1024.0 / added);
    }
    std::printf("\nNoise: frame / bare ratios of the pairs, middle half (wall; CPU); the full frame's fastest and "
                "slowest run; every start-up run:\n\n");
    for (const WorldResult& r : results) {
        const Fields& f = r.Frames;
        std::printf("- %d²: full %.3f..%.3f; %.3f..%.3f (%.0f..%.0f ms, %d pairs); ring %.3f..%.3f; %.3f..%.3f "
                    "(%.1f..%.1f ms, %d pairs); start-up",
                    r.Size, f.at("full_ratio_q1"), f.at("full_ratio_q3"), f.at("full_cpu_ratio_q1"),
                    f.at("full_cpu_ratio_q3"), f.at("full_min_ms"), f.at("full_max_ms"), static_cast<int>(f.at("reps")),
                    f.at("ring_ratio_q1"), f.at("ring_ratio_q3"), f.at("ring_cpu_ratio_q1"), f.at("ring_cpu_ratio_q3"),
                    f.at("ring_min_ms"), f.at("ring_max_ms"), static_cast<int>(f.at("ring_reps")));
        for (double t : r.StartupTotals) std::printf(" %.0f", t);
        std::printf(" ms\n");
    }
    for (const WorldResult& r : results) {
        if (r.Size != 256) continue;
        const Fields& f = r.Frames;
        std::printf("\nDefault world (256², seed 1):\n\n");
        std::printf("full-detail overhead: %.2f\n", f.at("full_ms") / f.at("full_bare_ms"));
        std::printf("ring overhead: %.2f\n", f.at("ring_ms") / f.at("ring_bare_ms"));
        std::printf("full-detail overhead, processor time: %.2f\n", f.at("full_cpu_ms") / f.at("full_bare_cpu_ms"));
        std::printf("ring overhead, processor time: %.2f\n", f.at("ring_cpu_ms") / f.at("ring_bare_cpu_ms"));
        std::printf("ring frame / full-detail frame: %.3f\n", f.at("ring_ms") / f.at("full_ms"));
    }
    // One line per size for the plot script.
    std::printf("\n");
    for (const WorldResult& r : results) {
        std::printf("plot size=%d full_ms=%.4f full_bare_ms=%.4f ring_ms=%.4f ring_bare_ms=%.4f startup_ms=%.4f\n",
                    r.Size, r.Frames.at("full_ms"), r.Frames.at("full_bare_ms"), r.Frames.at("ring_ms"),
                    r.Frames.at("ring_bare_ms"), r.Startup.at("total"));
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--startup") == 0) {
        SetGlWindowBackend(&BenchWindow);
        SetCursorBackend(&BenchCursor);
        return RunStartup(argv[2]);
    }
    if (argc == 3 && std::strcmp(argv[1], "--terrain-textures") == 0) {
        SetGlWindowBackend(&BenchWindow);
        return RunTerrainTextures(argv[2]);
    }
    if (argc == 3 && std::strcmp(argv[1], "--grid") == 0) {
        SetGlWindowBackend(&BenchWindow);
        return RunGrid(argv[2]);
    }
    if (argc == 5 && std::strcmp(argv[1], "--frames") == 0) {
        return RunFrames(argv[2], std::max(3, std::atoi(argv[3])), std::max(3, std::atoi(argv[4])));
    }
    if (argc >= 2 && argv[1][0] != '-') {
        const bool quick = argc >= 3 && std::strcmp(argv[2], "--quick") == 0;
        return RunAll(argv[1], quick);
    }
    std::fprintf(stderr, "usage: bench_frame <worlds-folder> [--quick]\n");
    return 2;
}
