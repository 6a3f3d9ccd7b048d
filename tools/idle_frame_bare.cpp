// The yardstick for the cost of an idle frame: a bare SDL2 + OpenGL program
// that only clears its window and swaps, at the pace the game's run loop
// keeps (swap interval 1, and a sleep to the display's period where the swap
// does not wait). It deliberately bypasses the engine and its platform layer.
// Run it beside the game under the same X server and compare CPU time:
//   idle_frame_bare [--seconds S] [--frames N] [--size WIDTHxHEIGHT]
// Without --size the window covers the desktop, as the game's full screen does.
// With --frames it ends after presenting that many frames (--frames 1: the
// yardstick for the time from start to the first frame on screen).

#include <SDL2/SDL.h>
#include <SDL2/SDL_opengl.h>

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

int main(int argc, char** argv) {
    double seconds = 10.0;
    long maxFrames = -1;
    int width = 0;
    int height = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
            seconds = std::atof(argv[++i]);
        } else if (std::strcmp(argv[i], "--frames") == 0 && i + 1 < argc) {
            maxFrames = std::atol(argv[++i]);
            seconds = 1e9;
        } else if (std::strcmp(argv[i], "--size") == 0 && i + 1 < argc) {
            if (std::sscanf(argv[++i], "%dx%d", &width, &height) != 2) width = height = 0;
        } else {
            std::fprintf(stderr, "usage: %s [--seconds S] [--frames N] [--size WIDTHxHEIGHT]\n", argv[0]);
            return 2;
        }
    }

    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "SDL_Init: %s\n", SDL_GetError());
        return 1;
    }
    SDL_DisplayMode mode{};
    SDL_GetCurrentDisplayMode(0, &mode);
    const bool cover = width <= 0 || height <= 0;
    if (cover) {
        width = mode.w;
        height = mode.h;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_Window* window = SDL_CreateWindow("idle frame, bare", cover ? 0 : SDL_WINDOWPOS_CENTERED,
                                          cover ? 0 : SDL_WINDOWPOS_CENTERED, width, height,
                                          SDL_WINDOW_OPENGL | (cover ? SDL_WINDOW_BORDERLESS : 0));
    if (!window) {
        std::fprintf(stderr, "SDL_CreateWindow: %s\n", SDL_GetError());
        return 1;
    }
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (!context) {
        std::fprintf(stderr, "SDL_GL_CreateContext: %s\n", SDL_GetError());
        return 1;
    }
    SDL_GL_SetSwapInterval(1);

    const auto cpuSeconds = [] {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
               static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    };
    const double cpuStart = cpuSeconds();
    using clock = std::chrono::steady_clock;
    const auto period = std::chrono::nanoseconds(1'000'000'000LL / (mode.refresh_rate > 0 ? mode.refresh_rate : 60));
    const auto start = clock::now();
    const auto end = start + std::chrono::duration_cast<clock::duration>(std::chrono::duration<double>(seconds));
    auto lastPresent = start;
    long frames = 0;
    bool quit = false;
    while (!quit && clock::now() < end) {
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
            if (event.type == SDL_QUIT) quit = true;
        }
        glViewport(0, 0, width, height);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        SDL_GL_SwapWindow(window);
        ++frames;
        if (frames == maxFrames) break;
        const auto now = clock::now();
        const auto due = lastPresent + period;
        if (now + std::chrono::milliseconds(2) < due) {
            std::this_thread::sleep_until(due);
            lastPresent = due;
        } else {
            lastPresent = now;
        }
    }
    const double elapsed = std::chrono::duration<double>(clock::now() - start).count();
    const double cpu = cpuSeconds() - cpuStart;
    std::printf("%ld frames in %.2f s (%.1f per second), %dx%d, %.3f s CPU, %.1f ms CPU per second\n", frames,
                elapsed, frames / elapsed, width, height, cpu, 1000.0 * cpu / elapsed);
    SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(window);
    SDL_Quit();
    return 0;
}
