// What this process holds, counted in the ways that work under Wine (where
// GetGuiResources and GetProcessHandleCount answer 0): busy heap bytes and
// blocks of every heap, GDI objects by kind from the shared handle table,
// windows, threads, kernel handles, TLS slots, and the downloader's
// temporary files.
// Counting allocates nothing that outlives the count.
#pragma once
#include <windows.h>

#include <cstdint>

enum GdiKind { kGdiDc, kGdiBitmap, kGdiFont, kGdiBrush, kGdiPen, kGdiRegion, kGdiPalette, kGdiOther, kGdiKinds };
extern const char* const kGdiKindNames[kGdiKinds];

struct ResourceCounts {
    int64_t heapBytes = 0, heapBlocks = 0;
    int64_t gdi[kGdiKinds] = {};
    int64_t windows = 0, threads = 0, handles = 0, tempFiles = 0, tlsSlots = 0;
    int64_t pagefileBytes = 0, workingSetBytes = 0;  // for the record only: they follow Wine's own caches
};

// Busy bytes and blocks over GetProcessHeaps().
void CountHeap(int64_t* bytes, int64_t* blocks);
// Non-free, non-stock entries of PEB->GdiSharedHandleTable by kind; false
// when the process has no such table.
bool CountGdiObjects(int64_t (&kinds)[kGdiKinds]);
int64_t CountWindows();  // top-level, child and message-only windows of this process
int64_t CountThreads();
int64_t CountKernelHandles();  // this process's entries of the system handle list; -1 when unavailable
// TLS slots in use: what TlsAlloc cannot give any more (a process has 1088).
int64_t CountTlsSlots();
int64_t CountTempFiles(const char* pattern = "Tmp_*");  // in the user's temporary folder

ResourceCounts CountResources();

// Makes brushes, pens, fonts, bitmaps, memory DCs and regions of its own and
// checks that the GDI count follows them exactly, up and down again. False,
// with the reason, when the table cannot be trusted.
bool GdiCounterFollows(char* why, size_t whySize);
