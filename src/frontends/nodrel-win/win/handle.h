#pragma once
// Owning wrappers for Win32 handles: one move-only template over a small traits struct
// (the handle type, its empty value, how it is closed).
#include <windows.h>

#include <utility>

namespace nodrel::win {

template <typename Traits>
class UniqueHandle {
public:
    using Type = typename Traits::Type;

    UniqueHandle() = default;
    explicit UniqueHandle(Type value) : value_(value) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(UniqueHandle&& other) noexcept : value_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    Type get() const { return value_; }
    explicit operator bool() const { return value_ != Traits::Empty(); }
    Type release() { return std::exchange(value_, Traits::Empty()); }
    void reset(Type value = Traits::Empty()) {
        const Type old = std::exchange(value_, value);
        if (old != Traits::Empty()) Traits::Close(old);
    }
    // For the calls that hand a new handle back through a pointer.
    Type* put() {
        reset();
        return &value_;
    }

private:
    Type value_ = Traits::Empty();
};

template <typename T, typename Deleter>
struct GdiTraits {
    using Type = T;
    static constexpr Type Empty() { return nullptr; }
    static void Close(Type value) { Deleter{}(value); }
};

struct DeleteGdiObject {
    void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
struct DestroyIconHandle {
    void operator()(HICON icon) const { DestroyIcon(icon); }
};
struct DestroyMenuHandle {
    void operator()(HMENU menu) const { DestroyMenu(menu); }
};

using Font = UniqueHandle<GdiTraits<HFONT, DeleteGdiObject>>;
using Brush = UniqueHandle<GdiTraits<HBRUSH, DeleteGdiObject>>;
using Bitmap = UniqueHandle<GdiTraits<HBITMAP, DeleteGdiObject>>;
using Icon = UniqueHandle<GdiTraits<HICON, DestroyIconHandle>>;
using Menu = UniqueHandle<GdiTraits<HMENU, DestroyMenuHandle>>;

struct KernelTraits {
    using Type = HANDLE;
    static Type Empty() { return nullptr; }
    static void Close(Type value) { CloseHandle(value); }
};
using KernelHandle = UniqueHandle<KernelTraits>;

// A window handle: destroyed with DestroyWindow.
struct WindowTraits {
    using Type = HWND;
    static constexpr Type Empty() { return nullptr; }
    static void Close(Type value) { DestroyWindow(value); }
};
using OwnedWindow = UniqueHandle<WindowTraits>;

// A device context of BeginPaint, ended with EndPaint.
class PaintScope {
public:
    explicit PaintScope(HWND window) : window_(window) { dc_ = BeginPaint(window, &paint_); }
    ~PaintScope() { EndPaint(window_, &paint_); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    HDC dc() const { return dc_; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

}  // namespace nodrel::win
