#include "ParaSearchDlg.h"

#include "paramdb/ParameterRecord.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace dr420 {

CParaSearchDlg::CParaSearchDlg(const QString &currentNumber, QWidget *parent)
    : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint)
    , m_current(currentNumber)
{
    setWindowTitle(QStringLiteral("Search Parameter "));
    setObjectName(QStringLiteral("paraSearchDlg"));
    setModal(false);
    m_text = new QLineEdit;
    m_text->setObjectName(QStringLiteral("searchText"));
    auto *content = new QFormLayout;
    content->addRow(QStringLiteral("Search Content:"), m_text);

    const auto radios = [this](const QString &title, const QStringList &texts, int checked, QButtonGroup *&group) {
        auto *box = new QGroupBox(title);
        auto *layout = new QVBoxLayout(box);
        group = new QButtonGroup(this);
        for (int i = 0; i < texts.size(); ++i) {
            auto *radio = new QRadioButton(texts[i]);
            radio->setChecked(i == checked);
            group->addButton(radio, i);
            layout->addWidget(radio);
        }
        return box;
    };
    auto *mode = radios(QStringLiteral("Search mode"),
                        {QStringLiteral("Search Parameter Number"), QStringLiteral("Search Parameter Name"),
                         QStringLiteral("Search Parameter Value")},
                        0, m_field);
    auto *direction = radios(QStringLiteral("Search"), {QStringLiteral("Forward"), QStringLiteral("Backward")}, 1,
                             m_direction);
    m_whole = new QCheckBox(QStringLiteral("Match Whole Word"));
    m_case = new QCheckBox(QStringLiteral("Match case"));
    auto *nextButton = new QPushButton(QStringLiteral("Next"));
    nextButton->setObjectName(QStringLiteral("nextButton"));
    nextButton->setDefault(true);
    auto *closeButton = new QPushButton(QStringLiteral("Close"));
    closeButton->setObjectName(QStringLiteral("closeButton"));
    connect(nextButton, &QPushButton::clicked, this, &CParaSearchDlg::next);
    connect(closeButton, &QPushButton::clicked, this, &CParaSearchDlg::close);

    auto *checks = new QVBoxLayout;
    checks->addWidget(direction);
    checks->addWidget(m_whole);
    checks->addWidget(m_case);
    checks->addStretch();
    auto *middle = new QHBoxLayout;
    middle->addWidget(mode);
    middle->addLayout(checks);
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(nextButton);
    buttons->addWidget(closeButton);
    buttons->addStretch();
    auto *left = new QVBoxLayout;
    left->addLayout(content);
    left->addLayout(middle);
    auto *layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(buttons);
}

SearchOptions CParaSearchDlg::options() const
{
    SearchOptions o;
    o.field = SearchField(m_field->checkedId());
    o.direction = SearchDirection(m_direction->checkedId());
    o.wholeField = m_whole->isChecked();
    o.matchCase = m_case->isChecked();
    return o;
}

void CParaSearchDlg::next()
{
    const SearchOptions o = options();
    const auto &table = ParameterTable();
    const int hit = searchParameters(table, m_current, m_text->text(), o);
    emit found(hit);
    if (hit >= 0)
        m_current = numberAfterHit(table, hit, o.direction);
}

void CParaSearchDlg::closeEvent(QCloseEvent *event)
{
    if (!m_closingSent) {
        m_closingSent = true;
        emit closing();
    }
    QDialog::closeEvent(event);
}

void CParaSearchDlg::reject()
{
    close(); // Escape closes like the Close button
}

} // namespace dr420
