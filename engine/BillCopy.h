#pragma once

#include <cstdint>

#include "db/Field.h"
#include "db/Value.h"
#include "engine/RunContext.h"

namespace engine {

// The copy of one bill from headquarters into the branch. Before the call
// CDS_ReadM stands on the bill's master row (joined with its queue row) and
// CDS_ReadS holds the bill's lines. The copy replaces the branch's rows of the bill
// in one transaction on SQLConnection2: the old lines and master row are deleted
// and the new master row and lines inserted, so that the branch ends with either
// the old bill or the new one.
//
// A bill without lines is left alone; one whose lines were never read (CDS_ReadS
// closed) too, with one log line. A line without PROD_ID is left out. A line the
// branch refuses is left out with one log line, except for vendor discounts, where
// it fails the bill. A bill that fails once its transaction began is rolled back
// with one log line and the call returns BillCopy::NotCopied; a failure before that
// (a failed link, a master row without MASTERBILLID, a failed rollback) is logged
// and thrown. CDS_ReadM is not moved; the busy cursor shows while the bill is written.
//
// On the bulk path (run.bulk) the caller holds a transaction open on SQLConnection2
// for a page of bills: the bill is copied within it under a savepoint of its own,
// through statements prepared once per run. A bill that fails is rolled back to its
// savepoint, with the same log line, and returns BillCopy::NotCopied; the page goes
// on. A failed link is thrown and takes the page with it.
enum class BillCopy { Copied, NotCopied };
BillCopy CopyPsaleBill(RunContext& run);        // promotion bills
BillCopy CopyPtsaleBill(RunContext& run);       // wholesale bills
BillCopy CopyChgpriceBill(RunContext& run);     // price-change bills
BillCopy CopyQuotBill(RunContext& run);         // vendor quotations
BillCopy CopyInpromotionBill(RunContext& run);  // vendor discounts

// How a statement parameter takes its value from the same-named field.
enum class Conversion {
    Text,             // the field as text; null gives empty text
    SourceValue,      // the field's own typed value; null stays null (and untyped)
    DecimalFromText,  // the text read as a double; anything else gives 0
    IntegerFromText,  // the text read as a 32-bit integer; anything else gives 0
    IntegerOfField,   // the field as a 32-bit integer; null gives 0
    DecimalOfField,   // the field as a double; null gives 0
    Constant,         // a fixed small integer; the field is not read
};

// The value a parameter takes from field under conversion (any but Constant).
db::Value convertedValue(const db::Field& field, Conversion conversion);

}  // namespace engine
