#pragma once
// toml++, the TOML 1.0 parser, configured once for Kitbuilder; include it through here only.
//
// Without exceptions, toml::parse returns a toml::parse_result that holds the document or the
// error with its line and column, so that a bad file is a return value like every other error.
//
// toml++ 3.3.0 asserts things about its input that invalid input breaks, before its own check
// refuses that input: a table header such as "[", "[!]", "[.]" or "[..]" fails the assertion
// that a key starts with a key character. With the standard assert() that ends the process in
// every build without NDEBUG; with NDEBUG, on compilers that have them, toml++ turns most of them
// into assumptions for the optimizer, which are just as wrong for such input. NDEBUG is hidden
// while toml++ is read, so that every assertion goes to TOML_ASSERT, which ignores it, and the
// check that follows it refuses the document with a parse error in every build type.

#ifdef TOMLPLUSPLUS_H
#error "toml++ was included before settings/toml.h, without its configuration"
#endif

#pragma push_macro("NDEBUG")
#undef NDEBUG
#define TOML_EXCEPTIONS 0
#define TOML_ENABLE_FORMATTERS 0
#define TOML_ASSERT(expression) static_assert(true)
#include <toml++/toml.h>
#pragma pop_macro("NDEBUG")
