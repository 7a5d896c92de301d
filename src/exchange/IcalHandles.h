#pragma once

#include <libical/ical.h>
#include <memory>

// Owners for what libical hands out, so that every component, parser and text it allocates is given
// back on every path, a refused file included.
namespace Ical {

struct ComponentFree
{
    void operator()(icalcomponent* c) const { icalcomponent_free(c); }
};
struct ParserFree
{
    void operator()(icalparser* p) const { icalparser_free(p); }
};
struct PropertyFree
{
    void operator()(icalproperty* p) const { icalproperty_free(p); }
};
struct TextFree
{
    void operator()(char* text) const { icalmemory_free_buffer(text); }
};

using Component = std::unique_ptr<icalcomponent, ComponentFree>;
using Parser = std::unique_ptr<icalparser, ParserFree>;
using Property = std::unique_ptr<icalproperty, PropertyFree>;
using Text = std::unique_ptr<char, TextFree>;

} // namespace Ical
