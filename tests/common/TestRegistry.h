#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <vector>

namespace nearbell::test {

using TestFactory = std::function<std::unique_ptr<QObject>()>;

inline std::vector<TestFactory> &registry()
{
    static std::vector<TestFactory> factories;
    return factories;
}

template <typename T>
struct Registrar
{
    Registrar() { registry().push_back([] { return std::make_unique<T>(); }); }
};

} // namespace nearbell::test

// Registers a QtTest class with the executable's shared main.
#define NEARBELL_TEST(Class) static const nearbell::test::Registrar<Class> nearbellRegistrar##Class;
