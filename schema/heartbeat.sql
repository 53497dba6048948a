/*
 * The heartbeat table of the headquarters database (opt-in): one row per store,
 * written by the store's own program at the end of every run when its setting
 * "Report To Headquarters" is on, and read by olvarin-fleet. Run with isql
 * against the headquarters database after queues.sql; a branch has no such table.
 *
 * The branch's login needs to read, insert and update it:
 *   GRANT SELECT, INSERT, UPDATE ON OLVARIN_STORE_STATUS TO <branch login>;
 *
 * RUN_STARTED and RUN_ENDED are the branch's clock, as the branch reports them.
 * The columns ending in _AT are headquarters' clock, set by the statement that
 * writes the row, so that ages compare with headquarters' CURRENT_TIMESTAMP
 * whatever a branch's clock says.
 */

SET BAIL ON;

CREATE TABLE OLVARIN_STORE_STATUS (
  STORE_ID            VARCHAR(10)   NOT NULL,
  PROGRAM_VERSION     VARCHAR(20),
  HOST_NAME           VARCHAR(255),
  RUN_STARTED         TIMESTAMP,               /* the last run, the branch's clock */
  RUN_ENDED           TIMESTAMP,
  SUCCEEDED           SMALLINT      NOT NULL,  /* 1: it ended with "Done...", 0: it failed */
  ERROR_MESSAGE       VARCHAR(1000),           /* the error that ended it; null on success */
  ROWS_WRITTEN        BIGINT        DEFAULT 0 NOT NULL,
  ROWS_DELETED        BIGINT        DEFAULT 0 NOT NULL,
  ROWS_REFUSED        BIGINT        DEFAULT 0 NOT NULL,
  BILLS_NOT_COPIED    BIGINT        DEFAULT 0 NOT NULL,
  QUEUE_ROWS_REMOVED  BIGINT        DEFAULT 0 NOT NULL,
  REPORTED_AT         TIMESTAMP     NOT NULL,  /* when the last run's row arrived */
  LAST_SUCCESS_AT     TIMESTAMP,               /* when the last successful run's row arrived */
  LAST_ERROR_AT       TIMESTAMP,               /* when the last failed run's row arrived */
  LAST_ERROR_MESSAGE  VARCHAR(1000),           /* and its error, kept across later successes */
  QUEUES_CLAIMED_AT   TIMESTAMP,               /* when the last successful run that went
                                                  through every wait queue in mode Changed
                                                  began: a row still waiting that was queued
                                                  before it was handed back after a refusal */
  CONSTRAINT PK_OLVARIN_STORE_STATUS PRIMARY KEY (STORE_ID)
);

COMMIT;
