#include "FindBar.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QToolButton>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr int kPreferredWidth = 320;

} // namespace

FindBar::FindBar(QWidget *target)
    : QFrame(target->window())
    , m_target(target)
    , m_field(new QLineEdit(this))
    , m_count(new QLabel(this))
    , m_matchCase(new QToolButton(this))
{
    setObjectName(target->objectName() + u"Find"_s);
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    m_field->setObjectName(u"findText"_s);
    m_field->setAccessibleName(u"Find"_s);
    m_field->setClearButtonEnabled(false);
    m_field->installEventFilter(this);
    m_count->setObjectName(u"findCount"_s);
    m_matchCase->setObjectName(u"findMatchCase"_s);
    m_matchCase->setText(u"Aa"_s);
    m_matchCase->setToolTip(u"Match Case (Alt+C)"_s);
    m_matchCase->setAccessibleName(u"Match Case"_s);
    m_matchCase->setCheckable(true);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(4);
    layout->addWidget(m_field, 1);
    layout->addWidget(m_count);
    layout->addWidget(m_matchCase);
    m_field->setMinimumWidth(m_field->fontMetrics().horizontalAdvance(u"0000000000"_s));
    // Only while the focus is in the field, so no key of the window is taken from it.
    auto *caseKey = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_C), this);
    caseKey->setContext(Qt::WidgetWithChildrenShortcut);
    connect(caseKey, &QShortcut::activated, m_matchCase, &QToolButton::toggle);
    connect(m_field, &QLineEdit::textChanged, this, &FindBar::searchChanged);
    connect(m_matchCase, &QToolButton::toggled, this, &FindBar::searchChanged);
    hide();
}

void FindBar::open()
{
    // As wide as a comfortable field, but never wider than the pane it covers.
    resize(std::min(std::max(sizeHint().width(), kPreferredWidth), m_target->width()),
           sizeHint().height());
    const QPoint corner = m_target->mapTo(window(), m_target->rect().topRight());
    move(corner.x() - width() + 1, corner.y());
    show();
    raise();
    m_field->selectAll();
    m_field->setFocus(Qt::ShortcutFocusReason);
}

QString FindBar::text() const
{
    return m_field->text();
}

bool FindBar::matchCase() const
{
    return m_matchCase->isChecked();
}

QString FindBar::countText() const
{
    return m_count->text();
}

void FindBar::showCount(qsizetype current, qsizetype total, bool finished)
{
    if (total == 0 && finished)
        m_count->setText(u"No matches"_s);
    else
        m_count->setText(u"%1 of %2"_s.arg(current).arg(total));
}

void FindBar::clearCount()
{
    m_count->clear();
}

bool FindBar::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_field || event->type() != QEvent::KeyPress)
        return QFrame::eventFilter(watched, event);
    auto *key = static_cast<QKeyEvent *>(event);
    const bool shift = key->modifiers().testFlag(Qt::ShiftModifier);
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_F3:
        if (shift)
            Q_EMIT previousRequested();
        else
            Q_EMIT nextRequested();
        return true;
    case Qt::Key_Escape:
        hide();
        m_target->setFocus(Qt::OtherFocusReason);
        Q_EMIT closed();
        return true;
    default:
        return QFrame::eventFilter(watched, event);
    }
}
