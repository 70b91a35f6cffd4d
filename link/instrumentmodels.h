#pragma once

#include <QString>
#include <QtGlobal>

// Every instrument model: its code in the production record, name, family and, for a
// meter, the profile that says which setup buttons it offers and how many decimals each
// unit shows.
class InstrumentModels
{
public:
    // Numbered like the family pages, so that the numbers still compare.
    enum Family { None = 0, Meter = 415, Logger = 416 };
    enum class Profile { None, A, B, C };

    struct Model {
        quint32 code;
        const char *name;
        Family family;
        Profile profile;
    };

    // A meter also answers to a second code this much higher; the logger's codes are all listed.
    static constexpr quint32 SecondCodeOffset = 20000000;

    // The model of this family with this code; null when there is none.
    static const Model *find(quint32 code, Family family);
    // Logger for a logger's code, Meter for every other code.
    static Family familyOf(quint32 code);
    // The model's name, or "UnKnow" when the code is no model of this family.
    static QString name(quint32 code, Family family);
};
