#pragma once

#include <utility>

// Puts a layer's handler (ShellOpener, ProgramStarter...) in place for the life of the scope.
template<typename Layer>
class ScopedHandler
{
public:
    explicit ScopedHandler(typename Layer::Handler handler)
        : m_previous(Layer::setHandler(std::move(handler)))
    {
    }
    ~ScopedHandler() { Layer::setHandler(std::move(m_previous)); }
    ScopedHandler(const ScopedHandler &) = delete;
    ScopedHandler &operator=(const ScopedHandler &) = delete;

private:
    typename Layer::Handler m_previous;
};
