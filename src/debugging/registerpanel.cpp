#include "debugging/registerpanel.h"

#include "debugging/changemark.h"
#include "debugging/dostext.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>

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
        value->installEventFilter(this);
        fields_.append({value, p.reg, p.shift});
        ++i;
    }
    grid->setColumnStretch(6, 1);
    grid->setRowStretch(int(std::size(places)) / 3, 1);
    clearView();
}

bool RegisterPanel::eventFilter(QObject *watched, QEvent *event)
{
    const auto *key = event->type() == QEvent::KeyPress ? static_cast<QKeyEvent *>(event) : nullptr;
    if (watched == editor_ && key && key->key() == Qt::Key_Escape) {
        closeEditor();
        return true;
    }
    for (int i = 0; i < fields_.size(); ++i) {
        if (fields_[i].value != watched)
            continue;
        if (event->type() == QEvent::MouseButtonDblClick ||
            (key && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter ||
                     key->key() == Qt::Key_F2))) {
            edit(i);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void RegisterPanel::closeEditor()
{
    if (!editor_)
        return;
    QLineEdit *editor = editor_;
    editor_ = nullptr;
    editor->hide();
    editor->deleteLater();
    if (editing_ >= 0 && editing_ < fields_.size())
        fields_[editing_].value->setFocus();
}

void RegisterPanel::edit(int index)
{
    if (!hasView_)
        return;
    closeEditor();
    const Field f = fields_[index];
    const int digits = f.shift == 0 ? 4 : 2;
    editing_ = index;
    editor_ = new QLineEdit(f.value->text(), this);
    editor_->setObjectName(QStringLiteral("registerEditor"));
    editor_->setFont(f.value->font());
    editor_->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9A-Fa-f]{1,%1}").arg(digits)), editor_));
    editor_->setAccessibleName(QStringLiteral("%1 的新值（十六进制）").arg(f.value->objectName()));
    editor_->setGeometry(f.value->geometry().adjusted(-2, -2, 24, 2));
    editor_->installEventFilter(this);
    editor_->selectAll();
    editor_->show();
    editor_->setFocus();
    connect(editor_, &QLineEdit::returnPressed, this, [this, f] {
        const int typed = editor_->text().toInt(nullptr, 16);
        const quint16 now = valueOf(shown_, f.reg);
        const quint16 word = f.shift == 0  ? quint16(typed)
                             : f.shift > 0 ? quint16((now & 0x00FF) | typed << 8)
                                           : quint16((now & 0xFF00) | typed);
        closeEditor();
        emit registerEdited(f.reg, word);
    });
    // The focus elsewhere leaves the value as it was.
    connect(editor_, &QLineEdit::editingFinished, this, [this] {
        if (editor_ && !editor_->hasFocus())
            closeEditor();
    });
}

void RegisterPanel::showView(const DebugView &v)
{
    shown_ = v.registers;
    hasView_ = true;
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
    hasView_ = false;
    closeEditor();
    for (const Field &f : fields_) {
        showValue(f.value, QString(f.shift == 0 ? 4 : 2, u'-'));
        f.value->setToolTip(QString());
        markChanged(f.value, false);
    }
}
