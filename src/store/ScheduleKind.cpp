#include "store/ScheduleKind.h"

#include <array>

namespace {

struct KindTexts
{
    ScheduleKind kind;
    const char* upper;
    const char* addDialog;
    const char* organizer;
};

constexpr std::array<KindTexts, 5> Kinds = {{
    {ScheduleKind::EveryDay, "EVERYDAY", "Everyday", "EveryDay"},
    {ScheduleKind::Yearly, "YEARLY", "Yearly", "Yearly"},
    {ScheduleKind::Monthly, "MONTHLY", "Monthly", "Monthly"},
    {ScheduleKind::OneTime, "ONETIME", "OneTime", "Onetime"},
    {ScheduleKind::MondayToFriday, "MONDAY TO FRIDAY", "Monday to Friday", "Monday to Friday"},
}};

template <typename Text> bool sameUpperCased(const Text& text, std::string_view upper)
{
    if (size_t(text.size()) != upper.size())
        return false;
    for (size_t i = 0; i < upper.size(); ++i) {
        auto c = text[i];
        if (c >= 'a' && c <= 'z')
            c = decltype(c)(c - 'a' + 'A');
        if (c != upper[i])
            return false;
    }
    return true;
}

template <typename Text> ScheduleKind lookup(const Text& text)
{
    for (const KindTexts& k : Kinds) {
        if (sameUpperCased(text, k.upper))
            return k.kind;
    }
    return ScheduleKind::Unknown;
}

const KindTexts* textsOf(ScheduleKind kind)
{
    for (const KindTexts& k : Kinds) {
        if (k.kind == kind)
            return &k;
    }
    return nullptr;
}

} // namespace

ScheduleKind kindOf(QStringView schedType)
{
    return lookup(std::u16string_view(schedType.utf16(), size_t(schedType.size())));
}

ScheduleKind kindOf(std::string_view utf8SchedType)
{
    return lookup(utf8SchedType);
}

ScheduleKind kindFromChoice(int choice)
{
    if (choice < 0 || choice >= int(Kinds.size()))
        return ScheduleKind::Unknown;
    return Kinds[size_t(choice)].kind;
}

QString addDialogText(ScheduleKind kind)
{
    const KindTexts* k = textsOf(kind);
    return k ? QString::fromLatin1(k->addDialog) : QString();
}

QString organizerText(ScheduleKind kind)
{
    const KindTexts* k = textsOf(kind);
    return k ? QString::fromLatin1(k->organizer) : QString();
}
