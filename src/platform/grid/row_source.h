#pragma once
// What a grid shows: rows of named fields. The grid asks only for the rows it
// paints, so a source may fetch them page by page from a database; the data
// layer's datasets and the reports implement it, the grid knows neither.

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <vector>

namespace tarvik::grid {

class RowSource : public QObject {
    Q_OBJECT
public:
    // Browse: rows are only looked at; Edit: the current row is being changed;
    // Insert: a new row is being filled in. Post or cancel return to Browse.
    enum class State { Browse, Edit, Insert };

    using QObject::QObject;
    ~RowSource() override = default;

    virtual int rowCount() const = 0;
    // The value of a field of a row; an unknown field gives an invalid value.
    virtual QVariant value(int row, const QString& field) const = 0;

    // Editing. A read-only source keeps these defaults, which refuse.
    virtual bool isReadOnly() const { return true; }
    virtual bool canDelete() const { return false; }
    virtual State state() const { return State::Browse; }
    virtual void setValue(int row, const QString& field, const QVariant& v);
    virtual void deleteRow(int row);
    virtual void edit(int row);
    // Starts a new row before `row` (rowCount() appends) and returns its index.
    virtual int insert(int row);
    virtual void post();
    virtual void cancel();
    // Reads the rows again.
    virtual void refresh() {}

    // Walks every row in order, for printing; `visit` gets the row's number
    // and its values by field name, and returns false to stop. The default
    // asks value() row by row; a source over a database may stream instead.
    using Fields = std::function<QVariant(const QString& field)>;
    virtual void forEachRow(const std::function<bool(int row, const Fields& fields)>& visit) const;

Q_SIGNALS:
    // Everything may have changed: the number of rows, and every value.
    void reset();
    // Values of the rows first..last changed; their number did not.
    void rowsChanged(int first, int last);
    void stateChanged();
};

// Rows held in memory: small lists, and the grid's own tests.
class ListRowSource : public RowSource {
    Q_OBJECT
public:
    explicit ListRowSource(QStringList fields, QObject* parent = nullptr);

    void setRows(std::vector<QVariantList> rows);
    const std::vector<QVariantList>& rows() const { return rows_; }
    const QStringList& fields() const { return fields_; }
    int fieldIndex(const QString& field) const;  // -1 when absent
    void setReadOnly(bool ro) { readOnly_ = ro; }

    int rowCount() const override { return int(rows_.size()); }
    QVariant value(int row, const QString& field) const override;

    bool isReadOnly() const override { return readOnly_; }
    bool canDelete() const override { return !readOnly_; }
    State state() const override { return state_; }
    void setValue(int row, const QString& field, const QVariant& v) override;
    void deleteRow(int row) override;
    void edit(int row) override;
    int insert(int row) override;
    void post() override;
    void cancel() override;

private:
    void checkRow(int row) const;
    void setState(State s);

    QStringList fields_;
    std::vector<QVariantList> rows_;
    bool readOnly_ = false;
    State state_ = State::Browse;
    int editRow_ = -1;
    QVariantList saved_;  // the row as it was before Edit
};

}  // namespace tarvik::grid
