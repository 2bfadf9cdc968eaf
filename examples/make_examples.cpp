// Writes the three sample translation tables (table, procedure and column
// names) into the directory given on the command line.
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "dataset/dataset.h"
#include "table/virtual_table.h"

using namespace qualtren;

namespace {

struct Row {
  const char* local;
  const char* english;
};

struct ColumnRow {
  const char* table;
  const char* local;
  const char* english;
};

// Local table names and their English names; Kupac and Racun first.
const std::vector<Row> kTables = {
    {"Kupac", "Customer"},
    {"Racun", "Invoice"},
    {"StavkaRacuna", "InvoiceLine"},
    {"Artikl", "Product"},
    {"Dobavljac", "Supplier"},
    {"Narudzba", "PurchaseOrder"},
    {"StavkaNarudzbe", "PurchaseOrderLine"},
    {"Skladiste", "Warehouse"},
    {"Zaliha", "Stock"},
    {"Zaposlenik", "Employee"},
    {"Odjel", "Department"},
    {"Uplata", "Payment"},
    {"Valuta", "Currency"},
    {"PoreznaStopa", "TaxRate"},
};

// Stored procedures; Obracun first.
const std::vector<Row> kProcedures = {
    {"Obracun", "Settle"},
    {"spNoviKupac", "spNewCustomer"},
    {"spZatvoriRacun", "spCloseInvoice"},
    {"spIzracunajPorez", "spCalculateTax"},
    {"spStanjeSkladista", "spWarehouseStock"},
    {"spObracunPlaca", "spRunPayroll"},
};

// Columns per table; the four columns of Kupac and Racun first.
const std::vector<ColumnRow> kColumns = {
    {"Kupac", "Ime", "Name"},
    {"Kupac", "Grad", "City"},
    {"Racun", "Iznos", "Amount"},
    {"Racun", "Kupac", "CustomerId"},
    {"Kupac", "SifraKupca", "CustomerCode"},
    {"Kupac", "Adresa", "Address"},
    {"Kupac", "PostanskiBroj", "PostalCode"},
    {"Kupac", "Telefon", "Phone"},
    {"Kupac", "OIB", "TaxNumber"},
    {"Kupac", "DatumUnosa", "CreatedOn"},
    {"Kupac", "Aktivan", "Active"},
    {"Racun", "BrojRacuna", "InvoiceNumber"},
    {"Racun", "DatumRacuna", "InvoiceDate"},
    {"Racun", "DatumDospijeca", "DueDate"},
    {"Racun", "Placen", "Paid"},
    {"Racun", "Napomena", "Note"},
    {"Racun", "SifraValute", "CurrencyCode"},
    {"StavkaRacuna", "BrojRacuna", "InvoiceNumber"},
    {"StavkaRacuna", "RedniBroj", "LineNumber"},
    {"StavkaRacuna", "Artikl", "ProductId"},
    {"StavkaRacuna", "Kolicina", "Quantity"},
    {"StavkaRacuna", "Cijena", "Price"},
    {"StavkaRacuna", "Popust", "Discount"},
    {"StavkaRacuna", "Iznos", "Amount"},
    {"Artikl", "SifraArtikla", "ProductCode"},
    {"Artikl", "Naziv", "Name"},
    {"Artikl", "Cijena", "Price"},
    {"Artikl", "Dobavljac", "SupplierId"},
    {"Artikl", "JedinicaMjere", "Unit"},
    {"Dobavljac", "SifraDobavljaca", "SupplierCode"},
    {"Dobavljac", "Naziv", "Name"},
    {"Dobavljac", "Grad", "City"},
    {"Dobavljac", "Telefon", "Phone"},
    {"Narudzba", "BrojNarudzbe", "OrderNumber"},
    {"Narudzba", "Dobavljac", "SupplierId"},
    {"Narudzba", "DatumNarudzbe", "OrderDate"},
    {"StavkaNarudzbe", "BrojNarudzbe", "OrderNumber"},
    {"StavkaNarudzbe", "Artikl", "ProductId"},
    {"StavkaNarudzbe", "Kolicina", "Quantity"},
    {"Skladiste", "SifraSkladista", "WarehouseCode"},
    {"Skladiste", "Naziv", "Name"},
    {"Skladiste", "Grad", "City"},
    {"Zaliha", "Skladiste", "WarehouseId"},
    {"Zaliha", "Artikl", "ProductId"},
    {"Zaliha", "Kolicina", "Quantity"},
    {"Zaposlenik", "SifraZaposlenika", "EmployeeCode"},
    {"Zaposlenik", "Ime", "Name"},
    {"Zaposlenik", "Prezime", "Surname"},
    {"Zaposlenik", "Odjel", "DepartmentId"},
    {"Zaposlenik", "Placa", "Salary"},
    {"Zaposlenik", "DatumZaposlenja", "HireDate"},
    {"Odjel", "SifraOdjela", "DepartmentCode"},
    {"Odjel", "Naziv", "Name"},
    {"Uplata", "BrojRacuna", "InvoiceNumber"},
    {"Uplata", "DatumUplate", "PaymentDate"},
    {"Uplata", "Iznos", "Amount"},
    {"Valuta", "SifraValute", "CurrencyCode"},
    {"Valuta", "Tecaj", "ExchangeRate"},
    {"PoreznaStopa", "Stopa", "Rate"},
};

void AddStringFields(TVirtualTable& table, const std::vector<const char*>& names) {
  for (const char* name : names)
    table.FieldDefs().Add(name, ftString, 50);
  table.Open();
}

void AddRecord(TVirtualTable& table,
               const std::vector<std::pair<const char*, const char*>>& values) {
  table.Append();
  for (const auto& [field, value] : values)
    table.FieldByName(field).SetAsString(value);
  table.Post();
}

void WriteTables(const std::string& dir) {
  TVirtualTable tables("tbTable_Trans");
  AddStringFields(tables, {"TableName", "TableNameAng"});
  for (const Row& r : kTables)
    AddRecord(tables, {{"TableName", r.local}, {"TableNameAng", r.english}});
  tables.SaveTableFile(dir + "/Q47SifTable.vtd");

  TVirtualTable procedures("tbSP_Trans");
  AddStringFields(procedures, {"Naziv", "ProcedureNameAng"});
  for (const Row& r : kProcedures)
    AddRecord(procedures, {{"Naziv", r.local}, {"ProcedureNameAng", r.english}});
  procedures.SaveTableFile(dir + "/Q47SifSQL_SP.vtd");

  TVirtualTable columns("tbTableStr_Trans");
  AddStringFields(columns, {"TableName", "FieldName", "FieldNameAng"});
  for (const ColumnRow& r : kColumns)
    AddRecord(columns,
              {{"TableName", r.table}, {"FieldName", r.local}, {"FieldNameAng", r.english}});
  columns.SaveTableFile(dir + "/Q47SifTableStr.vtd");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_examples <directory>\n");
    return 2;
  }
  try {
    WriteTables(argv[1]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_examples: %s\n", e.what());
    return 1;
  }
  return 0;
}
