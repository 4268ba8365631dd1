#include "FbClient.h"

#include "SqlLog.h"

#include <firebird/Interface.h>
#include <ibase.h>

#include <cmath>
#include <cstring>

using namespace Firebird;

namespace korvanta {

namespace {

IMaster* Master()
{
    static IMaster* master = fb_get_master_interface();
    return master;
}

IProvider* Provider()
{
    static IProvider* provider = Master()->getDispatcher();
    return provider;
}

IUtil* Util()
{
    static IUtil* util = Master()->getUtilInterface();
    return util;
}

// A status vector for one call; converts errors into FbError.
class Status {
public:
    Status() : status_(Master()->getStatus()), wrapper_(status_) {}
    ~Status() { status_->dispose(); }
    CheckStatusWrapper* operator&() { return &wrapper_; }
    bool Failed() const { return wrapper_.getState() & IStatus::STATE_ERRORS; }
    void Check()
    {
        if (!(wrapper_.getState() & IStatus::STATE_ERRORS))
            return;
        char buf[2048];
        Util()->formatStatus(buf, sizeof buf, &wrapper_);
        std::vector<long> codes;
        const intptr_t* v = wrapper_.getErrors();
        while (v && *v != isc_arg_end) {
            intptr_t tag = *v++;
            intptr_t arg = *v++;
            if (tag == isc_arg_gds)
                codes.push_back(static_cast<long>(arg));
            else if (tag == isc_arg_cstring)
                ++v;  // length, pointer
        }
        wrapper_.init();
        throw FbError(QString::fromUtf8(buf).trimmed(), std::move(codes));
    }

private:
    IStatus* status_;
    CheckStatusWrapper wrapper_;
};

QByteArray BuildDpb(const FbConnectParams& p, bool create)
{
    Status st;
    IXpbBuilder* dpb = Util()->getXpbBuilder(&st, IXpbBuilder::DPB, nullptr, 0);
    st.Check();
    dpb->insertString(&st, isc_dpb_user_name, p.user.toUtf8().constData());
    dpb->insertString(&st, isc_dpb_password, p.password.toUtf8().constData());
    dpb->insertString(&st, isc_dpb_lc_ctype, p.charset.toUtf8().constData());
    if (create) {
        dpb->insertString(&st, isc_dpb_set_db_charset, "UTF8");
        dpb->insertInt(&st, isc_dpb_sql_dialect, 3);
        dpb->insertInt(&st, isc_dpb_page_size, 16384);
    }
    QByteArray out(reinterpret_cast<const char*>(dpb->getBuffer(&st)),
                   static_cast<int>(dpb->getBufferLength(&st)));
    dpb->dispose();
    st.Check();
    return out;
}

constexpr int kIscSerialOffset = 15018;    // ISC day 0 is serial day -15018

ISC_TIMESTAMP ToIscTimestamp(double serial)
{
    // Before the epoch the fraction still counts forward from midnight.
    double days = std::trunc(serial);
    qint64 ms = std::llround(std::fabs(serial - days) * 86400000.0);
    if (ms >= 86400000) {
        days += 1;
        ms -= 86400000;
    }
    ISC_TIMESTAMP ts;
    ts.timestamp_date = static_cast<ISC_DATE>(static_cast<qint64>(days) + kIscSerialOffset);
    ts.timestamp_time = static_cast<ISC_TIME>(ms * 10);
    return ts;
}

double FromIscDate(ISC_DATE d)
{
    return static_cast<double>(static_cast<qint64>(d) - kIscSerialOffset);
}

double FromIscTimestamp(const ISC_TIMESTAMP& ts)
{
    const double days = FromIscDate(ts.timestamp_date);
    const double frac = (ts.timestamp_time / 10) / 86400000.0;
    return days >= 0 ? days + frac : days - frac;
}

}  // namespace

bool FbError::has(long code) const
{
    for (long c : codes_)
        if (c == code)
            return true;
    return false;
}

// ---------------------------------------------------------------- attachment

FbAttachment::~FbAttachment()
{
    if (att_) {
        Status st;
        att_->detach(&st);  // releases the interface when it succeeds
        if (st.Failed())
            att_->release();
    }
}

void FbAttachment::Open(const FbConnectParams& params)
{
    Close();
    QByteArray dpb = BuildDpb(params, false);
    Status st;
    IAttachment* att = Provider()->attachDatabase(&st, params.location.toUtf8().constData(),
                                                  static_cast<unsigned>(dpb.size()),
                                                  reinterpret_cast<const unsigned char*>(dpb.constData()));
    st.Check();
    att_ = att;
}

void FbAttachment::Create(const FbConnectParams& params)
{
    Close();
    QByteArray dpb = BuildDpb(params, true);
    Status st;
    IAttachment* att = Provider()->createDatabase(&st, params.location.toUtf8().constData(),
                                                  static_cast<unsigned>(dpb.size()),
                                                  reinterpret_cast<const unsigned char*>(dpb.constData()));
    st.Check();
    att_ = att;
}

void FbAttachment::Close()
{
    if (!att_)
        return;
    IAttachment* att = att_;
    att_ = nullptr;
    Status st;
    att->detach(&st);  // releases the interface when it succeeds
    if (st.Failed())
        att->release();
    st.Check();
}

void FbAttachment::Drop()
{
    if (!att_)
        return;
    IAttachment* att = att_;
    att_ = nullptr;
    Status st;
    att->dropDatabase(&st);
    if (st.Failed())
        att->release();
    st.Check();
}

QStringList FbAttachment::AttachedUserNames()
{
    QStringList names;
    if (!att_)
        return names;
    const unsigned char items[] = {isc_info_user_names, isc_info_end};
    std::vector<unsigned char> buf(32768);
    Status st;
    att_->getInfo(&st, sizeof items, items, static_cast<unsigned>(buf.size()), buf.data());
    st.Check();
    size_t i = 0;
    while (i < buf.size() && buf[i] == isc_info_user_names) {
        unsigned len = buf[i + 1] | (buf[i + 2] << 8);
        unsigned nameLen = buf[i + 3];
        names << QString::fromUtf8(reinterpret_cast<const char*>(&buf[i + 4]), nameLen);
        i += 3 + len;
    }
    return names;
}

// --------------------------------------------------------------- transaction

FbTransaction::~FbTransaction()
{
    if (tra_) {
        Status st;
        tra_->rollback(&st);
        if (st.Failed())
            tra_->release();
        tra_ = nullptr;
    }
}

void FbTransaction::Start()
{
    if (tra_)
        RaiseMsg(QStringLiteral("Transaction is already active"));
    if (!att_.isOpen())
        RaiseMsg(QStringLiteral("Database not assigned"));
    Status st;
    IXpbBuilder* tpb = Util()->getXpbBuilder(&st, IXpbBuilder::TPB, nullptr, 0);
    st.Check();
    if (kind_ == TransactionKind::Read) {
        tpb->insertTag(&st, isc_tpb_read);
        tpb->insertTag(&st, isc_tpb_read_committed);
        tpb->insertTag(&st, isc_tpb_rec_version);
    } else if (kind_ == TransactionKind::Change) {
        tpb->insertTag(&st, isc_tpb_nowait);
        tpb->insertTag(&st, isc_tpb_read_committed);
        tpb->insertTag(&st, isc_tpb_rec_version);
    } else {
        tpb->insertTag(&st, isc_tpb_wait);
        tpb->insertInt(&st, isc_tpb_lock_timeout, 10);
        tpb->insertTag(&st, isc_tpb_read_committed);
        tpb->insertTag(&st, isc_tpb_rec_version);
    }
    ITransaction* tra = att_.handle()->startTransaction(&st, tpb->getBufferLength(&st), tpb->getBuffer(&st));
    tpb->dispose();
    st.Check();
    tra_ = tra;
}

void FbTransaction::Commit()
{
    if (!tra_)
        RaiseMsg(QStringLiteral("Transaction is not active"));
    Status st;
    tra_->commit(&st);
    st.Check();  // a failed commit leaves the transaction for the caller to roll back
    tra_ = nullptr;
}

void FbTransaction::Rollback()
{
    if (!tra_)
        RaiseMsg(QStringLiteral("Transaction is not active"));
    Status st;
    ITransaction* tra = tra_;
    tra->rollback(&st);
    if (st.Failed())
        tra->release();
    tra_ = nullptr;
    st.Check();
}

void FbTransaction::Abandon()
{
    if (tra_) {
        tra_->release();
        tra_ = nullptr;
    }
}

// ------------------------------------------------------------ parameter text

QString TranslateParams(const QString& sql, QStringList& positional)
{
    QString out;
    out.reserve(sql.size());
    const qsizetype n = sql.size();
    for (qsizetype i = 0; i < n; ++i) {
        QChar c = sql[i];
        if (c == u'\'' || c == u'"') {
            qsizetype j = i + 1;
            while (j < n) {
                if (sql[j] == c) {
                    if (j + 1 < n && sql[j + 1] == c) {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            out += QStringView(sql).mid(i, qMin(j, n - 1) - i + 1);
            i = j;
            continue;
        }
        if (c == u'-' && i + 1 < n && sql[i + 1] == u'-') {
            qsizetype j = sql.indexOf(u'\n', i);
            if (j < 0)
                j = n - 1;
            out += QStringView(sql).mid(i, j - i + 1);
            i = j;
            continue;
        }
        if (c == u'/' && i + 1 < n && sql[i + 1] == u'*') {
            qsizetype j = sql.indexOf(QStringLiteral("*/"), i + 2);
            j = j < 0 ? n - 1 : j + 1;
            out += QStringView(sql).mid(i, j - i + 1);
            i = j;
            continue;
        }
        // Names may also be numbers (":0", ":1"): filter conditions are numbered.
        if (c == u':' && i + 1 < n && (sql[i + 1].isLetterOrNumber() || sql[i + 1] == u'_')) {
            qsizetype j = i + 1;
            while (j < n && (sql[j].isLetterOrNumber() || sql[j] == u'_' || sql[j] == u'$'))
                ++j;
            positional << sql.mid(i + 1, j - i - 1);
            out += u'?';
            i = j - 1;
            continue;
        }
        out += c;
    }
    return out;
}

// ----------------------------------------------------------------- statement

struct FbStatement::Impl {
    IStatement* stmt = nullptr;
    IMessageMetadata* inMeta = nullptr;   // as prepared
    IMessageMetadata* outMeta = nullptr;  // as prepared
    IMessageMetadata* bindMeta = nullptr; // input as we send it
    IResultSet* cursor = nullptr;
    unsigned type = 0;
    std::vector<unsigned char> inBuf;
    std::vector<unsigned char> outBuf;
    struct Slot {
        unsigned type, length, charset;
        int scale;
        bool operator==(const Slot&) const = default;
    };
    std::vector<Slot> signature;
    std::vector<Slot> params;              // the parameters as prepared
    std::vector<std::pair<unsigned, unsigned>> bindOffsets;  // (data, null) of the message we send
    QStringList names;  // output column names (aliases)
    struct Column {
        unsigned offset, nullOffset, type, length;
        int scale;
    };
    std::vector<Column> columns;  // read once, so a row is decoded without calls into the client

    void ReleaseCursor()
    {
        if (cursor) {
            Status st;
            cursor->close(&st);
            if (st.Failed())
                cursor->release();
            cursor = nullptr;
        }
    }
    ~Impl()
    {
        ReleaseCursor();
        if (bindMeta)
            bindMeta->release();
        if (inMeta)
            inMeta->release();
        if (outMeta)
            outMeta->release();
        if (stmt) {
            Status st;
            stmt->free(&st);
            if (st.Failed())
                stmt->release();
        }
    }
};

FbStatement::FbStatement(FbAttachment& att, FbTransaction& tra) : att_(att), tra_(tra) {}

FbStatement::~FbStatement() = default;

void FbStatement::Release()
{
    impl_.reset();
    eof_ = true;
}

void FbStatement::SetSQL(const QString& sql)
{
    if (sql == sql_ && !raw_ && impl_)
        return;
    Release();
    sql_ = sql;
    raw_ = false;
    QStringList positional;
    translated_ = TranslateParams(sql, positional);
    paramNames_.clear();
    paramSlots_.clear();
    for (const QString& name : positional) {
        qsizetype idx = paramNames_.indexOf(name);
        if (idx < 0) {
            idx = paramNames_.size();
            paramNames_ << name;
        }
        paramSlots_.push_back(static_cast<int>(idx));
    }
    paramValues_.assign(paramNames_.size(), Value());
}

void FbStatement::SetRawSQL(const QString& sql)
{
    Release();
    sql_ = sql;
    raw_ = true;
    translated_ = sql;
    paramNames_.clear();
    paramSlots_.clear();
    paramValues_.clear();
}

bool FbStatement::HasParam(const QString& name) const
{
    return paramNames_.contains(name);
}

Value FbStatement::ParamValue(const QString& name) const
{
    const qsizetype idx = paramNames_.indexOf(name);
    return idx < 0 ? Value() : paramValues_[idx];
}

void FbStatement::SetParam(const QString& name, const Value& value)
{
    qsizetype idx = paramNames_.indexOf(name);
    if (idx < 0)
        RaiseMsgFmt(QStringLiteral("Field \"%s\" not found"), {name});
    paramValues_[idx] = value;
}

void FbStatement::Prepare()
{
    if (!tra_.Active())
        RaiseMsg(QStringLiteral("Transaction is not active"));
    if (!att_.isOpen())
        RaiseMsg(QStringLiteral("Database not assigned"));
    auto impl = std::make_unique<Impl>();
    Status st;
    QByteArray text = translated_.toUtf8();
    impl->stmt = att_.handle()->prepare(&st, tra_.handle(), static_cast<unsigned>(text.size()),
                                        text.constData(), SQL_DIALECT_V6,
                                        IStatement::PREPARE_PREFETCH_METADATA);
    st.Check();
    impl->type = impl->stmt->getType(&st);
    st.Check();
    impl->inMeta = impl->stmt->getInputMetadata(&st);
    st.Check();
    impl->outMeta = impl->stmt->getOutputMetadata(&st);
    st.Check();
    impl->outBuf.resize(impl->outMeta->getMessageLength(&st));
    st.Check();
    const unsigned inCount = impl->inMeta->getCount(&st);
    for (unsigned i = 0; i < inCount; ++i)
        impl->params.push_back({impl->inMeta->getType(&st, i) & ~1u, impl->inMeta->getLength(&st, i),
                                impl->inMeta->getCharSet(&st, i), impl->inMeta->getScale(&st, i)});
    st.Check();
    const unsigned outCount = impl->outMeta->getCount(&st);
    for (unsigned i = 0; i < outCount; ++i) {
        impl->names << QString::fromUtf8(impl->outMeta->getAlias(&st, i));
        impl->columns.push_back({impl->outMeta->getOffset(&st, i), impl->outMeta->getNullOffset(&st, i),
                                 impl->outMeta->getType(&st, i) & ~1u, impl->outMeta->getLength(&st, i),
                                 impl->outMeta->getScale(&st, i)});
    }
    st.Check();
    impl_ = std::move(impl);
}

void FbStatement::ExecQuery()
{
    if (SqlLog::Enabled())
        SqlLog::Write(sql_, paramNames_, paramValues_);
    if (impl_)
        impl_->ReleaseCursor();
    else
        Prepare();
    eof_ = true;
    countable_ = false;
    Impl& im = *impl_;
    Status st;

    // Input message: each value is sent in its own type and Firebird converts.
    const unsigned count = static_cast<unsigned>(im.params.size());
    if (count != paramSlots_.size())
        RaiseMsg(QStringLiteral("Parameter count mismatch"));
    std::vector<Impl::Slot> sig(count);
    std::vector<QByteArray> texts(count);
    for (unsigned i = 0; i < count; ++i) {
        const Value& v = paramValues_[paramSlots_[i]];
        const Impl::Slot& prepared = im.params[i];
        const unsigned ptype = prepared.type;
        const int pscale = prepared.scale;
        const unsigned plen = prepared.length;
        Impl::Slot s = prepared;
        switch (v.kind()) {
        case Value::Kind::Null: break;
        case Value::Kind::Bool:
        case Value::Kind::Int: s = {SQL_INT64, 8, 0, 0}; break;
        case Value::Kind::Float:
            // Fixed-point columns get the decimal value, rounded half away from zero.
            if ((ptype == SQL_SHORT || ptype == SQL_LONG || ptype == SQL_INT64) && pscale < 0)
                s = {SQL_INT64, 8, 0, pscale};
            else
                s = {SQL_DOUBLE, 8, 0, 0};
            break;
        case Value::Kind::DateTime: s = {SQL_TIMESTAMP, 8, 0, 0}; break;
        case Value::Kind::String: {
            texts[i] = v.stringValue().toUtf8();
            if (ptype == SQL_BLOB) {
                s = {SQL_BLOB, 8, 0, 0};
                break;
            }
            unsigned len = static_cast<unsigned>(texts[i].size());
            unsigned room = (ptype == SQL_VARYING || ptype == SQL_TEXT) ? plen : 64u;
            // Keep the buffer size stable across rows so the layout is reused.
            if (!im.signature.empty() && im.signature[i].type == SQL_VARYING)
                room = qMax(room, im.signature[i].length);
            s = {SQL_VARYING, qMax(room, len), 4, 0};
            break;
        }
        }
        sig[i] = s;
    }
    st.Check();
    if (!im.bindMeta || sig != im.signature) {
        IMetadataBuilder* b = im.inMeta->getBuilder(&st);
        st.Check();
        for (unsigned i = 0; i < count; ++i) {
            const Value& v = paramValues_[paramSlots_[i]];
            if (v.isNull())
                continue;
            b->setType(&st, i, sig[i].type | 1u);
            if (sig[i].type == SQL_VARYING)
                b->setCharSet(&st, i, sig[i].charset);
            b->setLength(&st, i, sig[i].length);
            b->setScale(&st, i, sig[i].scale);
        }
        IMessageMetadata* meta = b->getMetadata(&st);
        b->release();
        st.Check();
        if (im.bindMeta)
            im.bindMeta->release();
        im.bindMeta = meta;
        im.signature = sig;
        im.inBuf.assign(meta->getMessageLength(&st), 0);
        im.bindOffsets.clear();
        for (unsigned i = 0; i < count; ++i)
            im.bindOffsets.emplace_back(meta->getOffset(&st, i), meta->getNullOffset(&st, i));
        st.Check();
    }
    for (unsigned i = 0; i < count; ++i) {
        const Value& v = paramValues_[paramSlots_[i]];
        unsigned char* base = im.inBuf.data();
        const auto [off, noff] = im.bindOffsets[i];
        const short nullInd = v.isNull() ? -1 : 0;
        std::memcpy(base + noff, &nullInd, sizeof nullInd);
        if (v.isNull())
            continue;
        unsigned char* p = base + off;
        switch (v.kind()) {
        case Value::Kind::Bool:
        case Value::Kind::Int: {
            ISC_INT64 x = v.asInteger();
            std::memcpy(p, &x, 8);
            break;
        }
        case Value::Kind::Float: {
            if (sig[i].type == SQL_INT64) {
                int decimals = -sig[i].scale;
                double r = RoundTo(v.floatValue(), decimals);
                ISC_INT64 x = std::llround(r * std::pow(10.0, decimals));
                std::memcpy(p, &x, 8);
            } else {
                double x = v.floatValue();
                std::memcpy(p, &x, 8);
            }
            break;
        }
        case Value::Kind::DateTime: {
            ISC_TIMESTAMP ts = ToIscTimestamp(v.dateTimeValue().serial);
            std::memcpy(p, &ts, sizeof ts);
            break;
        }
        case Value::Kind::String: {
            const QByteArray& t = texts[i];
            if (sig[i].type == SQL_BLOB) {
                ISC_QUAD id;
                IBlob* blob = att_.handle()->createBlob(&st, tra_.handle(), &id, 0, nullptr);
                st.Check();
                qsizetype done = 0;
                while (done < t.size()) {
                    unsigned part = static_cast<unsigned>(qMin<qsizetype>(t.size() - done, 32000));
                    blob->putSegment(&st, part, t.constData() + done);
                    done += part;
                }
                blob->close(&st);
                st.Check();
                std::memcpy(p, &id, sizeof id);
                break;
            }
            ISC_USHORT len = static_cast<ISC_USHORT>(t.size());
            std::memcpy(p, &len, 2);
            std::memcpy(p + 2, t.constData(), t.size());
            break;
        }
        case Value::Kind::Null: break;
        }
    }
    st.Check();

    const unsigned char* in = count ? im.inBuf.data() : nullptr;
    IMessageMetadata* inMeta = count ? im.bindMeta : nullptr;
    if (im.type == isc_info_sql_stmt_select || im.type == isc_info_sql_stmt_select_for_upd) {
        im.cursor = im.stmt->openCursor(&st, tra_.handle(), inMeta, const_cast<unsigned char*>(in),
                                        im.outMeta, 0);
        st.Check();
        eof_ = false;
        FetchRow();
        return;
    }
    const unsigned outCount = static_cast<unsigned>(im.columns.size());
    im.stmt->execute(&st, tra_.handle(), inMeta, const_cast<unsigned char*>(in),
                     outCount ? im.outMeta : nullptr, outCount ? im.outBuf.data() : nullptr);
    st.Check();
    countable_ = im.type == isc_info_sql_stmt_insert || im.type == isc_info_sql_stmt_update ||
                 im.type == isc_info_sql_stmt_delete || im.type == isc_info_sql_stmt_exec_procedure;
    eof_ = outCount == 0;
}

void FbStatement::FetchRow()
{
    Status st;
    int rc = impl_->cursor->fetchNext(&st, impl_->outBuf.data());
    st.Check();
    if (rc != IStatus::RESULT_OK) {
        eof_ = true;
        impl_->ReleaseCursor();
    }
}

void FbStatement::Next()
{
    if (eof_)
        return;
    if (!impl_ || !impl_->cursor) {
        eof_ = true;  // the single row of an executed statement
        return;
    }
    FetchRow();
}

void FbStatement::Close()
{
    if (impl_)
        impl_->ReleaseCursor();
    eof_ = true;
}

quint64 FbStatement::RowsAffected() const
{
    // Asked for only when needed: the count costs the engine a visit to its
    // lock table, which bulk inserts should not pay for every row.
    if (!countable_ || !impl_)
        return 0;
    Status st;
    quint64 n = impl_->stmt->getAffectedRecords(&st);
    st.Check();
    return n;
}

int FbStatement::FieldCount() const
{
    return impl_ ? static_cast<int>(impl_->names.size()) : 0;
}

const QString& FbStatement::FieldName(int i) const
{
    static const QString none;
    return impl_ && i >= 0 && i < impl_->names.size() ? impl_->names[i] : none;
}

const QStringList& FbStatement::FieldNames() const
{
    static const QStringList none;
    return impl_ ? impl_->names : none;
}

int FbStatement::FieldIndex(const QString& name) const
{
    if (!impl_)
        return -1;
    const int exact = static_cast<int>(impl_->names.indexOf(name));
    if (exact >= 0)
        return exact;
    for (int i = 0; i < impl_->names.size(); ++i)
        if (impl_->names[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

Value FbStatement::FieldByName(const QString& name) const
{
    int i = FieldIndex(name);
    if (i < 0)
        RaiseMsgFmt(QStringLiteral("Field \"%s\" not found"), {name});
    return Field(i);
}

Value FbStatement::Field(int i) const
{
    if (!impl_ || eof_)
        RaiseMsg(QStringLiteral("No current record"));
    if (i < 0 || static_cast<size_t>(i) >= impl_->columns.size())
        RaiseMsgFmt(QStringLiteral("Column %d out of range"), {i});
    const Impl::Column& col = impl_->columns[static_cast<size_t>(i)];
    const unsigned char* base = impl_->outBuf.data();
    short nullInd;
    std::memcpy(&nullInd, base + col.nullOffset, sizeof nullInd);
    if (nullInd)
        return Value();
    const unsigned char* p = base + col.offset;
    const unsigned type = col.type;
    const int scale = col.scale;
    const unsigned length = col.length;
    auto scaled = [scale](ISC_INT64 x) -> Value {
        if (scale >= 0)
            return Value(static_cast<long long>(x));
        return Value(static_cast<double>(x) / std::pow(10.0, -scale));
    };
    switch (type) {
    case SQL_VARYING: {
        ISC_USHORT len;
        std::memcpy(&len, p, 2);
        return Value(QString::fromUtf8(reinterpret_cast<const char*>(p + 2), len));
    }
    case SQL_TEXT: {
        QString s = QString::fromUtf8(reinterpret_cast<const char*>(p), length);
        while (s.endsWith(u' '))
            s.chop(1);
        return Value(s);
    }
    case SQL_SHORT: {
        ISC_SHORT x;
        std::memcpy(&x, p, 2);
        return scaled(x);
    }
    case SQL_LONG: {
        ISC_LONG x;
        std::memcpy(&x, p, 4);
        return scaled(x);
    }
    case SQL_INT64: {
        ISC_INT64 x;
        std::memcpy(&x, p, 8);
        return scaled(x);
    }
    case SQL_FLOAT: {
        float x;
        std::memcpy(&x, p, 4);
        return Value(static_cast<double>(x));
    }
    case SQL_DOUBLE:
    case SQL_D_FLOAT: {
        double x;
        std::memcpy(&x, p, 8);
        return Value(x);
    }
    case SQL_BOOLEAN: return Value(*p != 0);
    case SQL_TYPE_DATE: {
        ISC_DATE d;
        std::memcpy(&d, p, 4);
        return Value(TDateTime{FromIscDate(d)});
    }
    case SQL_TIMESTAMP: {
        ISC_TIMESTAMP ts;
        std::memcpy(&ts, p, 8);
        return Value(TDateTime{FromIscTimestamp(ts)});
    }
    case SQL_TYPE_TIME: {
        ISC_TIME t;
        std::memcpy(&t, p, 4);
        return Value(TDateTime{t / 864000000.0});
    }
    case SQL_BLOB: {
        Status st;
        ISC_QUAD id;
        std::memcpy(&id, p, sizeof id);
        IBlob* blob = att_.handle()->openBlob(&st, tra_.handle(), &id, 0, nullptr);
        st.Check();
        QByteArray data;
        char chunk[32768];
        for (;;) {
            unsigned got = 0;
            int rc = blob->getSegment(&st, sizeof chunk, chunk, &got);
            if (rc == IStatus::RESULT_OK || rc == IStatus::RESULT_SEGMENT)
                data.append(chunk, got);
            else
                break;
        }
        blob->close(&st);
        st.Check();
        return Value(QString::fromUtf8(data));
    }
    default: RaiseMsgFmt(QStringLiteral("Unsupported column type %d"), {static_cast<int>(type)});
    }
}

}  // namespace korvanta
