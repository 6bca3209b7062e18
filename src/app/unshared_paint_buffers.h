#pragma once
// Qt's X11 plugin hands a window's pixels to the X server through shared memory, and before it
// paints a region again it waits for the server to have read it: a round trip each time a record
// changes the console's labels, which on a busy machine costs the server's next turn at a core.
// Sent over the connection instead, a repaint waits for nothing (the console's repaints are a
// few labels, some tens of kilobytes).
//
// The plugin reads the setting once, while the QApplication is made: hold one of these around
// that. Programs the console starts later do not inherit it. A value the environment already
// gives is left alone.
namespace ride {

class UnsharedPaintBuffers {
public:
    UnsharedPaintBuffers();
    ~UnsharedPaintBuffers();
    UnsharedPaintBuffers(const UnsharedPaintBuffers&) = delete;
    UnsharedPaintBuffers& operator=(const UnsharedPaintBuffers&) = delete;

private:
    bool set_ = false;
};

} // namespace ride
