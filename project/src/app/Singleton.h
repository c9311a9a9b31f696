#pragma once

#include <QtGlobal>

// Records the one live instance of T for code that has no other way to reach it.
template <typename T> class Singleton {
public:
    static T* instance() { return s_instance; }

protected:
    // The derived object passes itself: a cast here would name an object not yet built.
    explicit Singleton(T* self) {
        Q_ASSERT_X(!s_instance, "Singleton", "a second instance");
        s_instance = self;
    }
    ~Singleton() { s_instance = nullptr; }
    Singleton(const Singleton&) = delete;
    Singleton& operator=(const Singleton&) = delete;

private:
    static inline T* s_instance = nullptr;
};
