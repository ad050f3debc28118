#!/usr/bin/env python3
"""Starts a program and prints, in milliseconds from its start, when its window (WM_CLASS CLASS)
became viewable and when it first showed painted pixels. Needs an X server whose root is
black (Xvfb -br) and no compositing, so that an unpainted window reads black.

    first-paint.py CLASS PROGRAM [ARGUMENT...]

The program is left running; its process id is printed last.
"""
import ctypes
import subprocess
import sys
import time


class ClassHint(ctypes.Structure):
    _fields_ = [("res_name", ctypes.c_char_p), ("res_class", ctypes.c_char_p)]


ERROR_HANDLER = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)
# Reading an unmapped window fails with BadMatch; that only means "not yet".
ignore_errors = ERROR_HANDLER(lambda display, event: 0)


def open_x11():
    x11 = ctypes.CDLL("libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XDefaultRootWindow.restype = ctypes.c_ulong
    x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    x11.XQueryTree.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong),
                               ctypes.POINTER(ctypes.c_ulong),
                               ctypes.POINTER(ctypes.POINTER(ctypes.c_ulong)),
                               ctypes.POINTER(ctypes.c_uint)]
    x11.XGetClassHint.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ClassHint)]
    x11.XGetImage.restype = ctypes.c_void_p
    x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                              ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
    x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    x11.XFree.argtypes = [ctypes.c_void_p]
    x11.XSetErrorHandler(ignore_errors)
    return x11


def find_window(x11, display, wanted):
    root, parent = ctypes.c_ulong(), ctypes.c_ulong()
    children, count = ctypes.POINTER(ctypes.c_ulong)(), ctypes.c_uint()
    if not x11.XQueryTree(display, x11.XDefaultRootWindow(display), ctypes.byref(root),
                          ctypes.byref(parent), ctypes.byref(children), ctypes.byref(count)):
        return None
    found = None
    for index in range(count.value):
        hint = ClassHint()
        if x11.XGetClassHint(display, children[index], ctypes.byref(hint)):
            if hint.res_name == wanted:
                found = children[index]
    if children:
        x11.XFree(children)
    return found


# One pixel 60 px into the window, inside the faceplate. Each 1 × 1 image is left to the
# process's end: XDestroyImage is a macro that ctypes cannot call.
def sample_pixel(x11, display, window):
    z_pixmap, all_planes = 2, 0xFFFFFFFF
    image = x11.XGetImage(display, window, 60, 60, 1, 1, all_planes, z_pixmap)
    x11.XSync(display, 0)
    if not image:
        return None
    # XImage begins with width, height, xoffset, format (ints), then the data pointer.
    data = ctypes.cast(image + 16, ctypes.POINTER(ctypes.POINTER(ctypes.c_uint32))).contents
    return data[0] & 0xFFFFFF


def main():
    wanted = sys.argv[1].encode()
    x11 = open_x11()
    display = x11.XOpenDisplay(None)
    if not display:
        sys.exit("first-paint: cannot open the display")
    started = time.monotonic()
    program = subprocess.Popen(sys.argv[2:])
    viewable = painted = None
    while painted is None and time.monotonic() - started < 30:
        window = find_window(x11, display, wanted)
        if window:
            pixel = sample_pixel(x11, display, window)
            if pixel is not None and viewable is None:
                viewable = time.monotonic()
            if pixel:
                painted = time.monotonic()
        time.sleep(0.002)
    if painted is None:
        sys.exit("first-paint: the window was never painted")
    print(f"{(viewable - started) * 1000:.0f} {(painted - started) * 1000:.0f} {program.pid}")


if __name__ == "__main__":
    main()
