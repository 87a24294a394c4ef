-- Adds the table of closed months to a database made before it existed. Safe to run again.
-- Until it has run, the program closes no month (and says so when asked to close one).
CREATE TABLE IF NOT EXISTS accounts_dep.closed_month (
    year      integer,
    month     integer,
    closed_by varchar(50),
    closed_at timestamp,
    PRIMARY KEY (year, month)
);
