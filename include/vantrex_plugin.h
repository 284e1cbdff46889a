/* Vantrex video plug-in interface, version 3.
 *
 * A plug-in is a DLL exporting two undecorated __cdecl functions:
 *   int               Vantrex_Plugin_Version(void);   returns 3
 *   PluginDescriptor* Vantrex_Plugin_PR(void);        returns the descriptor
 * The host then calls, in this order: Init once; any number of
 * Start ... ProcessFrame (once per frame, on the video thread) ... Stop;
 * ShowSettings at any time after Init; Shutdown once before unloading.
 */
#ifndef VANTREX_PLUGIN_H
#define VANTREX_PLUGIN_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#define VANTREX_CDECL __cdecl
#else
#define VANTREX_CDECL
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Passed to Init; the plug-in does not use the two words. */
typedef struct InitInfo {
    uint32_t word0;
    uint32_t word1;
} InitInfo;

enum {
    VANTREX_FORMAT_YUY2 = 0,  /* Y0 U Y1 V per pixel pair, rows top-down, stride width*2 */
    VANTREX_FORMAT_RGB24 = 1  /* B G R per pixel, rows bottom-up, stride width*3 */
};

/* Passed to Start. */
typedef struct StartInfo {
    int32_t frameWidth;
    int32_t frameHeight;
    int32_t reserved;    /* kept, not used */
    int32_t pixelFormat; /* VANTREX_FORMAT_* */
    int32_t cpuLevel;    /* 1 and 2: older than Pentium III, no processing */
} StartInfo;

/* Passed to ProcessFrame; only the pixel pointer is read. */
typedef struct FrameInfo {
    void* pixels;
} FrameInfo;

typedef void(VANTREX_CDECL* PluginInitFn)(InitInfo* info);
typedef int32_t(VANTREX_CDECL* PluginStartFn)(StartInfo* info);
typedef int32_t(VANTREX_CDECL* PluginProcessFrameFn)(FrameInfo* frame);
typedef void(VANTREX_CDECL* PluginStopFn)(void);
typedef void(VANTREX_CDECL* PluginShowSettingsFn)(void** ownerWindow); /* points to an HWND */
typedef void(VANTREX_CDECL* PluginShutdownFn)(void);

typedef struct PluginDescriptor {
    const char* name;        /* Windows-1251 text */
    const char* description; /* Windows-1251 text */
    PluginInitFn Init;
    PluginStartFn Start;
    PluginProcessFrameFn ProcessFrame;
    PluginStopFn Stop;
    PluginShowSettingsFn ShowSettings;
    PluginShutdownFn Shutdown;
} PluginDescriptor;

typedef int32_t(VANTREX_CDECL* PluginVersionFn)(void);
typedef PluginDescriptor*(VANTREX_CDECL* PluginDescriptorFn)(void);

#define VANTREX_PLUGIN_VERSION_EXPORT "Vantrex_Plugin_Version"
#define VANTREX_PLUGIN_DESCRIPTOR_EXPORT "Vantrex_Plugin_PR"
#define VANTREX_PLUGIN_INTERFACE_VERSION 3

#ifdef __cplusplus
}
#endif

#if defined(__cplusplus) && defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(InitInfo) == 8, "InitInfo is two 32-bit words");
static_assert(sizeof(StartInfo) == 20, "StartInfo is five 32-bit integers");
static_assert(sizeof(FrameInfo) == 4, "FrameInfo starts with the pixel pointer");
static_assert(sizeof(PluginDescriptor) == 32, "the descriptor is eight pointers");
static_assert(offsetof(PluginDescriptor, Shutdown) == 28, "Shutdown is the eighth pointer");
static_assert(offsetof(StartInfo, cpuLevel) == 16, "cpuLevel is the fifth word");
#endif

#endif
