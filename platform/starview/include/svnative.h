// Native windows and drawing on the headless windows: every window has a native handle; "static"
// and owner-drawn "listbox" windows are made with CreateWindowExA, live in the window tree as
// children of their parent window, paint through their window procedures and take the injected
// input as messages; GDI calls on device contexts draw into the paint log of their window.
// Include it after the Win32 stand-in's windows.h. See the README ("Native windows").
#pragma once

#include <windows.h>

class Bitmap;
class Window;

// The native handle of a window (never null for a live window; a handle is never given twice).
HWND SvWindowHandle(const Window* window);
// The window of a handle; null for a null, unknown or destroyed one.
Window* SvHandleWindow(HWND hwnd);
// A GDI bitmap with the picture's pixels (DeleteObject releases it).
HBITMAP SvCreateBitmap(const Bitmap& bitmap);

extern "C" {

// Windows. The classes are "static" and "listbox" (names compared without regard to case); the
// parent is any window's handle (without WS_CHILD and parent: a window without parent). Errors:
// 1400 a bad window handle, 1406 WS_CHILD without parent, 1407 an unknown class, 1413 a bad index,
// 5 destroying a window that was not made here, 87 a bad argument.
HWND WINAPI CreateWindowExA(DWORD dwExStyle, LPCSTR lpClassName, LPCSTR lpWindowName, DWORD dwStyle, int x, int y,
                            int nWidth, int nHeight, HWND hWndParent, HMENU hMenu, HINSTANCE hInstance, LPVOID lpParam);
BOOL WINAPI DestroyWindow(HWND hWnd);
// GWL_WNDPROC, GWL_STYLE, GWL_EXSTYLE, GWL_ID and GWL_USERDATA, pointer-sized.
LONG_PTR WINAPI GetWindowLongA(HWND hWnd, int nIndex);
LONG_PTR WINAPI SetWindowLongA(HWND hWnd, int nIndex, LONG_PTR dwNewLong);
LRESULT WINAPI CallWindowProcA(WNDPROC lpPrevWndFunc, HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
LRESULT WINAPI SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
BOOL WINAPI ShowWindow(HWND hWnd, int nCmdShow);
BOOL WINAPI MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL bRepaint);
BOOL WINAPI SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy, UINT uFlags);
BOOL WINAPI EnableWindow(HWND hWnd, BOOL bEnable);
HWND WINAPI SetFocus(HWND hWnd);
BOOL WINAPI GetClientRect(HWND hWnd, LPRECT lpRect);
BOOL WINAPI InvalidateRect(HWND hWnd, const RECT* lpRect, BOOL bErase);

// Drawing. A window's device context draws into the window's paint log; a memory device context
// draws into the bitmap selected into it (fills and bit-block transfers; text leaves no pixels).
HDC WINAPI GetDC(HWND hWnd);
int WINAPI ReleaseDC(HWND hWnd, HDC hDC);
HDC WINAPI CreateCompatibleDC(HDC hdc);
BOOL WINAPI DeleteDC(HDC hdc);
HBITMAP WINAPI CreateCompatibleBitmap(HDC hdc, int cx, int cy);
HFONT WINAPI CreateFontIndirectA(const LOGFONTA* lplf);
HGDIOBJ WINAPI SelectObject(HDC hdc, HGDIOBJ h);
BOOL WINAPI DeleteObject(HGDIOBJ ho);
COLORREF WINAPI SetTextColor(HDC hdc, COLORREF color);
COLORREF WINAPI SetBkColor(HDC hdc, COLORREF color);
DWORD WINAPI GetSysColor(int nIndex);
BOOL WINAPI ExtTextOutA(HDC hdc, int x, int y, UINT options, const RECT* lprect, LPCSTR lpString, UINT c,
                        const INT* lpDx);
BOOL WINAPI TextOutA(HDC hdc, int x, int y, LPCSTR lpString, int c);
BOOL WINAPI GetTextExtentPointA(HDC hdc, LPCSTR lpString, int c, LPSIZE lpsz);
BOOL WINAPI BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop);
BOOL WINAPI DrawFocusRect(HDC hDC, const RECT* lprc);

}  // extern "C"
