#include "debugging/registerpanel.h"

#include "debugging/changemark.h"
#include "debugging/dostext.h"

#include <QGridLayout>
#include <QLabel>

namespace {

quint16 valueOf(const Registers &r, Reg reg)
{
    switch (reg) {
    case Reg::AX:
        return r.ax;
    case Reg::BX:
        return r.bx;
    case Reg::CX:
        return r.cx;
    case Reg::DX:
        return r.dx;
    case Reg::SI:
        return r.si;
    case Reg::DI:
        return r.di;
    case Reg::BP:
        return r.bp;
    case Reg::SP:
        return r.sp;
    case Reg::CS:
        return r.cs;
    case Reg::DS:
        return r.ds;
    case Reg::ES:
        return r.es;
    case Reg::SS:
        return r.ss;
    case Reg::IP:
        return r.ip;
    case Reg::Flags:
        return r.flags;
    }
    return 0;
}

struct Place
{
    const char *name;
    Reg reg;
    int shift;
};

// Three to a row: each general register beside its two halves, then the
// pointers, the index registers and the segments.
constexpr Place places[] = {
    {"AX", Reg::AX, 0},  {"AH", Reg::AX, 8},  {"AL", Reg::AX, -1}, {"BX", Reg::BX, 0},
    {"BH", Reg::BX, 8},  {"BL", Reg::BX, -1}, {"CX", Reg::CX, 0},  {"CH", Reg::CX, 8},
    {"CL", Reg::CX, -1}, {"DX", Reg::DX, 0},  {"DH", Reg::DX, 8},  {"DL", Reg::DX, -1},
    {"SI", Reg::SI, 0},  {"DI", Reg::DI, 0},  {"BP", Reg::BP, 0},  {"SP", Reg::SP, 0},
    {"IP", Reg::IP, 0},  {"CS", Reg::CS, 0},  {"DS", Reg::DS, 0},  {"ES", Reg::ES, 0},
    {"SS", Reg::SS, 0},
};

// A screen reader reads the register with its value: "AX 1234".
void showValue(QLabel *value, const QString &text)
{
    value->setText(text);
    value->setAccessibleName(value->objectName() + QLatin1Char(' ') + text);
}

int part(quint16 word, int shift)
{
    return shift == 0 ? word : shift > 0 ? word >> 8 : word & 0xFF;
}

} // namespace

RegisterPanel::RegisterPanel(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("RegisterPanel"));
    setAccessibleName(QStringLiteral("寄存器"));
    auto *grid = new QGridLayout(this);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(2);
    const QFont font = DosText::fixedFont();
    int i = 0;
    for (const Place &p : places) {
        const QString name = QLatin1String(p.name);
        auto *caption = new QLabel(name, this);
        caption->setFont(font);
        auto *value = new QLabel(this);
        value->setObjectName(name);
        value->setFont(font);
        // Tab reaches every value: read, and copied, from the keyboard.
        value->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        value->setFocusPolicy(Qt::StrongFocus);
        value->setMargin(1);
        caption->setBuddy(value);
        grid->addWidget(caption, i / 3, (i % 3) * 2);
        grid->addWidget(value, i / 3, (i % 3) * 2 + 1);
        fields_.append({value, p.reg, p.shift});
        ++i;
    }
    grid->setColumnStretch(6, 1);
    grid->setRowStretch(int(std::size(places)) / 3, 1);
    clearView();
}

void RegisterPanel::showView(const DebugView &v)
{
    for (const Field &f : fields_) {
        const int now = part(valueOf(v.registers, f.reg), f.shift);
        const int before = part(valueOf(v.previous, f.reg), f.shift);
        const int digits = f.shift == 0 ? 4 : 2;
        showValue(f.value, QString::number(now, 16).toUpper().rightJustified(digits, u'0'));
        f.value->setToolTip(QStringLiteral("十进制 %1").arg(now));
        markChanged(f.value, now != before);
    }
}

void RegisterPanel::clearView()
{
    for (const Field &f : fields_) {
        showValue(f.value, QString(f.shift == 0 ? 4 : 2, u'-'));
        f.value->setToolTip(QString());
        markChanged(f.value, false);
    }
}
