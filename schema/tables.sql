/*
 * Master data and bills: the tables of every branch database (the download
 * target) and of the headquarters database (the source), which holds them the
 * same way plus its wait queues (queues.sql). Run with isql against a database
 * created with DEFAULT CHARACTER SET UTF8: a branch gets this file, headquarters
 * this file and then queues.sql.
 *
 * What a branch database must keep for the download to work:
 *
 * - PROD_TOPITEM, PROD_HIITEM, PROD_ITEM, PROD_SALE and CUSTOMER are copied
 *   column by position: each must have headquarters' columns of that table in
 *   the same order. Headquarters may add columns after the last one (they are
 *   not copied), except to CUSTOMER: there the branch must have exactly the
 *   columns headquarters has, since a changed customer arrives joined with its
 *   queue row and the columns are matched by position.
 * - PRODUCT and PROVIDER are copied column by name: every column of the
 *   branch's table must exist under the same name at headquarters; the order
 *   does not matter.
 * - No TRAN_CODE column in PRODUCT, PROVIDER or CUSTOMER (that name belongs to
 *   the queue rows they are joined with).
 * - The bill tables take inserts that list fixed columns; a column added to a
 *   bill table must be nullable or have a default. Lines are keyed by
 *   MASTERBILLID + PROD_ID: a bill holds one line per product, and a line that
 *   repeats a product is refused (a vendor discount bill with such a line is
 *   not taken at all).
 * - No foreign keys: a branch keeps packaging rows and bill lines of products
 *   it may not hold itself.
 * - CHG_DATE, CHG_TIME and CHGPRICE_DATE are text ('yyyy/mm/dd', 'hh:nn:ss'):
 *   the download compares and writes them as text. Most bill columns are
 *   written from the text of headquarters' value (a null gives empty text);
 *   among them only BILL_DATE (DATE) and KEYINTIME (TIMESTAMP) are not text,
 *   and they take 'yyyy/mm/dd' and 'yyyy/mm/dd hh:nn:ss' but not an empty
 *   text, hence NOT NULL with a default. PSALE_SUB's PSALE_PRICE, OLD_PRICE,
 *   N_QTY, G_QTY and VIP_PRICE travel with their own type: a line with a null
 *   in one of them is left out. The other numbers travel as numbers (a null
 *   or unreadable value becomes 0).
 * - Prices and costs are exact NUMERICs, so that a mirrored row is found again
 *   by its old values when it is overwritten.
 */

SET BAIL ON;

/* ---- product categories: top, middle, small ---------------------------- */

CREATE TABLE PROD_TOPITEM (
  TOP_ITEMID      VARCHAR(4)   NOT NULL,
  TOP_ITEMNAME    VARCHAR(40),
  CHG_DATE        VARCHAR(10),
  CHG_USER        VARCHAR(10),
  CONSTRAINT PK_PROD_TOPITEM PRIMARY KEY (TOP_ITEMID)
);

CREATE TABLE PROD_HIITEM (
  PD_GRPID        VARCHAR(6)   NOT NULL,
  PD_GRPNAME      VARCHAR(40),
  TOP_ITEMID      VARCHAR(4),
  CHG_DATE        VARCHAR(10),
  CHG_USER        VARCHAR(10),
  CONSTRAINT PK_PROD_HIITEM PRIMARY KEY (PD_GRPID)
);

CREATE TABLE PROD_ITEM (
  PD_ITEMID       VARCHAR(8)   NOT NULL,
  PD_ITEMNAME     VARCHAR(40),
  PD_GRPID        VARCHAR(6),
  TOP_ITEMID      VARCHAR(4),
  PROFIT_RATE     NUMERIC(7,4),
  CHG_DATE        VARCHAR(10),
  CHG_USER        VARCHAR(10),
  CONSTRAINT PK_PROD_ITEM PRIMARY KEY (PD_ITEMID)
);

/* ---- products, packaging, vendors, customers --------------------------- */

CREATE TABLE PRODUCT (
  PROD_ID         VARCHAR(20)  NOT NULL,
  PROD_BARCODE    VARCHAR(20),
  PROD_NAME       VARCHAR(60),
  PROD_SNAME      VARCHAR(20),
  BRAND_NAME      VARCHAR(20),
  PROD_SPEC       VARCHAR(20),
  UNITNAME        VARCHAR(6),
  TOP_ITEMID      VARCHAR(4),
  PD_GRPID        VARCHAR(6),
  PD_ITEMID       VARCHAR(8),
  PROVIDER_ID     VARCHAR(10),
  SALE_PRICE      NUMERIC(12,2),
  PSALE_PRICE     NUMERIC(12,2),
  VIP_PRICE       NUMERIC(12,2),
  STD_COST        NUMERIC(15,4),
  LAST_COST       NUMERIC(15,4),
  TAX_KIND        VARCHAR(1),
  PACK_QTY        INTEGER,
  SAFE_QTY        INTEGER,
  SAL_TAG         SMALLINT,
  IN_TAG          SMALLINT,
  INI_DATE        VARCHAR(10),
  CHG_DATE        VARCHAR(10),
  CHG_TIME        VARCHAR(8),
  CHG_USER        VARCHAR(10),
  NOTE            VARCHAR(100),
  CONSTRAINT PK_PRODUCT PRIMARY KEY (PROD_ID)
);

CREATE INDEX IX_PRODUCT_BARCODE ON PRODUCT (PROD_BARCODE);
CREATE INDEX IX_PRODUCT_CHG_DATE ON PRODUCT (CHG_DATE);

CREATE TABLE PROD_SALE (
  SAL_BARCODE     VARCHAR(20)  NOT NULL,
  PROD_ID         VARCHAR(20),
  PACK_NAME       VARCHAR(10),
  PACK_QTY        INTEGER,
  SAL_PRICE       NUMERIC(12,2),
  VIP_PRICE       NUMERIC(12,2),
  CHG_DATE        VARCHAR(10),
  CHG_USER        VARCHAR(10),
  CONSTRAINT PK_PROD_SALE PRIMARY KEY (SAL_BARCODE)
);

CREATE INDEX IX_PROD_SALE_PROD_ID ON PROD_SALE (PROD_ID);
CREATE INDEX IX_PROD_SALE_CHG_DATE ON PROD_SALE (CHG_DATE);

CREATE TABLE PROVIDER (
  PROVIDER_ID     VARCHAR(10)  NOT NULL,
  PROVIDER_NAME   VARCHAR(60),
  PROVIDER_SNAME  VARCHAR(20),
  UNIFORM_NO      VARCHAR(10),
  CONTACT         VARCHAR(20),
  TEL             VARCHAR(20),
  FAX             VARCHAR(20),
  ADDRESS         VARCHAR(100),
  PAY_KIND        VARCHAR(1),
  PAY_DAYS        INTEGER,
  CHG_DATE        VARCHAR(10),
  CHG_USER        VARCHAR(10),
  NOTE            VARCHAR(100),
  CONSTRAINT PK_PROVIDER PRIMARY KEY (PROVIDER_ID)
);

CREATE TABLE CUSTOMER (
  CUST_ID         VARCHAR(10)  NOT NULL,
  CUST_NAME       VARCHAR(60),
  CUST_KIND       VARCHAR(1),
  UNIFORM_NO      VARCHAR(10),
  CONTACT         VARCHAR(20),
  TEL             VARCHAR(20),
  ADDRESS         VARCHAR(100),
  VIP_FLAG        VARCHAR(1),
  CREDIT_AMT      NUMERIC(12,2),
  DISC_RATE       NUMERIC(7,4),
  BIRTHDAY        VARCHAR(10),
  CHG_DATE        VARCHAR(10),
  CHG_USER        VARCHAR(10),
  CONSTRAINT PK_CUSTOMER PRIMARY KEY (CUST_ID)
);

/* ---- promotion bills ---------------------------------------------------- */

CREATE TABLE PSALE_MASTER (
  MASTERBILLID    VARCHAR(20)  NOT NULL,
  BILL_DATE       DATE         DEFAULT CURRENT_DATE NOT NULL,
  INI_DATE        VARCHAR(10),
  END_DATE        VARCHAR(10),
  REASON          VARCHAR(60),
  REGISTER        VARCHAR(10),
  STORE_ID        VARCHAR(10),
  CHG_DATE        VARCHAR(10),
  CHG_USER        VARCHAR(10),
  OVER_AMT        NUMERIC(12,2),
  PINI_DATE       VARCHAR(10),
  PEND_DATE       VARCHAR(10),
  CONSTRAINT PK_PSALE_MASTER PRIMARY KEY (MASTERBILLID)
);

CREATE TABLE PSALE_SUB (
  MASTERBILLID    VARCHAR(20)  NOT NULL,
  PROD_ID         VARCHAR(20)  NOT NULL,
  PROD_NAME       VARCHAR(60),
  PROD_BARCODE    VARCHAR(20),
  PD_ITEMID       VARCHAR(8),
  PSALE_FLAG      VARCHAR(1),
  PSALE_PRICE     NUMERIC(12,2),
  OLD_PRICE       NUMERIC(12,2),
  N_QTY           INTEGER,
  G_PROD_ID       VARCHAR(20),
  G_PROD_NAME     VARCHAR(60),
  G_QTY           INTEGER,
  TEMPPRODID      VARCHAR(20),
  STORE_ID        VARCHAR(10),
  CHG_DATE        VARCHAR(10),
  CHG_USER        VARCHAR(10),
  VIP_PRICE       NUMERIC(12,2),
  INI_DATE        VARCHAR(10),
  END_DATE        VARCHAR(10),
  NEW_COST        NUMERIC(15,4),
  SEC_DIS         VARCHAR(10),
  KEYINTIME       TIMESTAMP    DEFAULT CURRENT_TIMESTAMP NOT NULL,
  PINI_DATE       VARCHAR(10),
  PEND_DATE       VARCHAR(10),
  VNEW_COST       NUMERIC(15,4),
  PACK_QTY        NUMERIC(12,3),
  CONSTRAINT PK_PSALE_SUB PRIMARY KEY (MASTERBILLID, PROD_ID)
);

/* ---- wholesale bills ---------------------------------------------------- */

CREATE TABLE PTSALE_MASTER (
  BILL_DATE       DATE         DEFAULT CURRENT_DATE NOT NULL,
  MASTERBILLID    VARCHAR(20)  NOT NULL,
  INI_DATE        VARCHAR(10),
  END_DATE        VARCHAR(10),
  PTSALE_CLASS    VARCHAR(2),
  PTSALE_QTY      INTEGER,
  PTSALE_PRICE    NUMERIC(12,2),
  PTSALE_DIS      NUMERIC(7,4),
  CHG_DATE        VARCHAR(10),
  CHG_USER        VARCHAR(10),
  CONSTRAINT PK_PTSALE_MASTER PRIMARY KEY (MASTERBILLID)
);

CREATE TABLE PTSALE_SUB (
  MASTERBILLID    VARCHAR(20)  NOT NULL,
  PROD_ID         VARCHAR(20)  NOT NULL,
  PROD_BARCODE    VARCHAR(20),
  PROD_NAME       VARCHAR(60),
  PROVIDER_ID     VARCHAR(10),
  INI_DATE        VARCHAR(10),
  END_DATE        VARCHAR(10),
  NEW_COST        NUMERIC(15,4),
  OLD_COST        NUMERIC(15,4),
  NEW_DIS         NUMERIC(7,4),
  TEMPPRODID      VARCHAR(20),
  CHG_DATE        VARCHAR(10),
  CHG_USER        VARCHAR(10),
  CONSTRAINT PK_PTSALE_SUB PRIMARY KEY (MASTERBILLID, PROD_ID)
);

/* ---- price-change bills ------------------------------------------------- */

/* TRN_CODE of a line: 'Y' applied to PRODUCT, 'W' being applied, anything
   else not applied yet. CHGPRICE_DATE is the day the new prices take effect. */

CREATE TABLE CHGPRICE_MASTER (
  MASTERBILLID    VARCHAR(20)  NOT NULL,
  BILL_DATE       DATE         DEFAULT CURRENT_DATE NOT NULL,
  IMM_CHG         VARCHAR(1),
  CHGPRICE_DATE   VARCHAR(10),
  STORE_ID        VARCHAR(10),
  CHG_DATE        VARCHAR(10),
  CHG_USER        VARCHAR(10),
  TRN_CODE        VARCHAR(1),
  CONSTRAINT PK_CHGPRICE_MASTER PRIMARY KEY (MASTERBILLID)
);

CREATE TABLE CHGPRICE_SUB (
  MASTERBILLID    VARCHAR(20)  NOT NULL,
  BILL_DATE       DATE         DEFAULT CURRENT_DATE NOT NULL,
  IMM_CHG         VARCHAR(1),
  CHGPRICE_DATE   VARCHAR(10),
  STORE_ID        VARCHAR(10),
  PROD_ID         VARCHAR(20)  NOT NULL,
  PROD_NAME       VARCHAR(60),
  PROD_BARCODE    VARCHAR(20),
  O_PD_ITEMID     VARCHAR(8),
  O_SALE_PRICE    NUMERIC(12,2),
  O_PSALE_PRICE   NUMERIC(12,2),
  O_VIP_PRICE     NUMERIC(12,2),
  O_STD_COST      NUMERIC(15,4),
  N_PD_ITEMID     VARCHAR(8),
  N_SALE_PRICE    NUMERIC(12,2),
  N_PSALE_PRICE   NUMERIC(12,2),
  N_VIP_PRICE     NUMERIC(12,2),
  N_STD_COST      NUMERIC(15,4),
  SAL_TAG         SMALLINT,
  IN_TAG          SMALLINT,
  CHG_DATE        VARCHAR(10),
  CHG_USER        VARCHAR(10),
  TRN_CODE        VARCHAR(1),
  CONSTRAINT PK_CHGPRICE_SUB PRIMARY KEY (MASTERBILLID, PROD_ID)
);

CREATE INDEX IX_CHGPRICE_SUB_DATE ON CHGPRICE_SUB (CHGPRICE_DATE);
CREATE INDEX IX_CHGPRICE_SUB_TRN_CODE ON CHGPRICE_SUB (TRN_CODE);

/* ---- vendor quotations -------------------------------------------------- */

CREATE TABLE QUOT_MASTER (
  MASTERBILLID    VARCHAR(20)  NOT NULL,
  BILL_DATE       DATE         DEFAULT CURRENT_DATE NOT NULL,
  FLAG            VARCHAR(1),
  PROVIDER_ID     VARCHAR(10),
  PROVIDER_NAME   VARCHAR(60),
  EMPLOYEE_ID     VARCHAR(10),
  EMPLOYEE_NAME   VARCHAR(20),
  STORE_ID        VARCHAR(10),
  NOTE            VARCHAR(100),
  CHG_DATE        VARCHAR(10),
  CHG_USER        VARCHAR(10),
  INI_DATE        VARCHAR(10),
  CONSTRAINT PK_QUOT_MASTER PRIMARY KEY (MASTERBILLID)
);

CREATE TABLE QUOT_SUB (
  MASTERBILLID    VARCHAR(20)  NOT NULL,
  QUOT_CLASS      VARCHAR(2),
  PROD_ID         VARCHAR(20)  NOT NULL,
  PROD_BARCODE    VARCHAR(20),
  PROD_NAME       VARCHAR(60),
  U_QTY           INTEGER,
  STD_COST        NUMERIC(15,4),
  UNITNAME        VARCHAR(6),
  SAL_BARCODE     VARCHAR(20),
  PACK_QTY        INTEGER,
  IN_PRICE        NUMERIC(15,4),
  SAL_PRICE       NUMERIC(12,2),
  TAX_KIND        VARCHAR(1),
  REMARK          VARCHAR(100),
  BILL_DATE       DATE         DEFAULT CURRENT_DATE NOT NULL,
  FLAG            VARCHAR(1),
  INI_DATE        VARCHAR(10),
  END_DATE        VARCHAR(10),
  PROVIDER_ID     VARCHAR(10),
  STORE_ID        VARCHAR(10),
  TEMPPRODID      VARCHAR(20),
  PROVIDER_NAME   VARCHAR(60),
  CONSTRAINT PK_QUOT_SUB PRIMARY KEY (MASTERBILLID, PROD_ID)
);

/* ---- vendor discount bills ---------------------------------------------- */

CREATE TABLE INPROMOTION_MASTER (
  MASTERBILLID    VARCHAR(20)  NOT NULL,
  BILL_DATE       DATE         DEFAULT CURRENT_DATE NOT NULL,
  INI_DATE        VARCHAR(10),
  END_DATE        VARCHAR(10),
  PROVIDER_ID     VARCHAR(10),
  PROVIDER_NAME   VARCHAR(60),
  CHG_DATE        VARCHAR(10),
  CHG_USER        VARCHAR(10),
  CONSTRAINT PK_INPROMOTION_MASTER PRIMARY KEY (MASTERBILLID)
);

CREATE TABLE INPROMOTION_SUB (
  MASTERBILLID    VARCHAR(20)  NOT NULL,
  BILL_DATE       DATE         DEFAULT CURRENT_DATE NOT NULL,
  TEMPPRODID      VARCHAR(20),
  PROD_ID         VARCHAR(20)  NOT NULL,
  PROD_BARCODE    VARCHAR(20),
  PROD_NAME       VARCHAR(60),
  PD_ITEMID       VARCHAR(8),
  PSALE_FLAG      VARCHAR(1),
  OLD_COST        NUMERIC(15,4),
  SP_COST         NUMERIC(15,4),
  N_QTY           INTEGER,
  G_PROD_ID       VARCHAR(20),
  G_PROD_NAME     VARCHAR(60),
  G_QTY           INTEGER,
  CHG_USER        VARCHAR(10),
  PSALE_PRICE     NUMERIC(12,2),
  PROVIDER_ID     VARCHAR(10),
  INI_DATE        VARCHAR(10),
  END_DATE        VARCHAR(10),
  CONSTRAINT PK_INPROMOTION_SUB PRIMARY KEY (MASTERBILLID, PROD_ID)
);

COMMIT;
