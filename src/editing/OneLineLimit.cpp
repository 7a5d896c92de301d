#include "editing/OneLineLimit.h"

#include "store/EntryInput.h"

#include <QLineEdit>

OneLineLimit::OneLineLimit(QLineEdit* box, int maxCharacters)
    : QValidator(box), m_box(box), m_max(maxCharacters), m_before(box->text())
{
    box->setValidator(this);
    connect(box, &QLineEdit::textChanged, this, [this] { m_before = m_box->text(); });
}

void OneLineLimit::showStored(const QString& text)
{
    m_showingStored = true;
    m_box->setText(text);
    m_showingStored = false;
}

QValidator::State OneLineLimit::validate(QString& input, int& pos) const
{
    if (m_showingStored)
        return Acceptable;
    const EntryInput::Fitted fitted = EntryInput::fitOneLine(m_before, input, pos, m_max);
    input = fitted.text;
    pos = int(fitted.cursor);
    return Acceptable;
}
